#include "TAxisTools.h"

#include "TAxis.h"
#include "TError.h"

#include <memory>

namespace {

/// The edges of the interval axis made from a point axis that runs from `First` to `Last`,
/// visited in order: the running sums of `PointsToIntervals`, shared with `IntervalEnds` so
/// that both give the same bits.
class TEdgeWalk {
public:
    TEdgeWalk(const TPoint& First, const TPoint& Last, double R, char Direction)
        : MbrDirection(Direction) {
        const double H = R * 0.5;
        // X edges run in the direction of the X centres: west to east as a rule, east to
        // west for a map whose columns are stored that way.
        MbrX = First.GetX() - H;
        MbrXStep = R;
        if (Direction == 'X' && First.GetX() > Last.GetX()) {
            MbrX = First.GetX() + H;
            MbrXStep = -R;
        }
        // Y edges run in the direction of the Y centres: north to south as a rule, south to
        // north for a map whose rows are stored that way. Only an upper-case 'Y' turns them
        // north to south: any other character that selects Y gives ascending edges, whatever
        // the direction of the centres.
        MbrY = First.GetY() - H;
        MbrYStep = R;
        if (First.GetY() > Last.GetY()) {
            MbrY = First.GetY() + H;
            MbrYStep = Direction == 'Y' ? -R : R;
        }
    }
    double X() const { return MbrX; }
    double Y() const { return MbrY; }
    /// The ordinate along the direction of the axis.
    double Ordinate() const { return MbrDirection == 'X' ? MbrX : MbrY; }
    /// On to the next edge: one step added, 'X' stepping in X, any other character in Y.
    void Step() {
        if (MbrDirection == 'X')
            MbrX += MbrXStep;
        else
            MbrY += MbrYStep;
    }

private:
    char MbrDirection;
    double MbrX, MbrXStep, MbrY, MbrYStep;
};

} // namespace

TAxis* TAxisTools::PointsToIntervals(const TAxis* Axis, char Direction) {
    const TPoint* First = Axis->GetPoint(0);
    const TPoint* Last = Axis->GetPoint(Axis->GetSize() - 1);
    if (Axis->HasEmptySlots())
        TError::Throw("Axis has empty slots in TAxisTools::PointsToIntervals");
    const double R = Axis->GetResolution();
    TEdgeWalk Edges(*First, *Last, R, Direction);
    std::unique_ptr<TAxis> Intervals(new TAxis(R));
    for (long K = 0; K <= Axis->GetSize(); ++K) {
        Intervals->AddPoint(new TPoint(Edges.X(), Edges.Y()));
        Edges.Step();
    }
    return Intervals.release();
}

TAxisTools::TEnds TAxisTools::IntervalEnds(const TPoint& First, const TPoint& Last, long Size,
                                           double Resolution, char Direction) {
    TEdgeWalk Edges(First, Last, Resolution, Direction);
    const double Start = Edges.Ordinate();
    for (long K = 0; K < Size; ++K)
        Edges.Step();
    return {Start, Edges.Ordinate()};
}

TAxis* TAxisTools::IntervalsToPoints(const TAxis* Axis, char /*Direction*/) {
    Axis->GetPoint(0);
    Axis->GetPoint(Axis->GetSize() - 1);
    if (Axis->HasEmptySlots())
        TError::Throw("Axis has empty slots in TAxisTools::IntervalsToPoints");
    std::unique_ptr<TAxis> Points(new TAxis(Axis->GetResolution()));
    for (long K = 0; K + 1 < Axis->GetSize(); ++K) {
        const TPoint* A = Axis->GetPoint(K);
        const TPoint* B = Axis->GetPoint(K + 1);
        // The midpoint of the segment, whichever way the edges run.
        Points->AddPoint(new TPoint(A->GetX() + (B->GetX() - A->GetX()) * 0.5,
                                    A->GetY() + (B->GetY() - A->GetY()) * 0.5));
    }
    return Points.release();
}
