#include "TAxisTools.h"

#include "TAxis.h"
#include "TError.h"

#include <memory>

TAxis* TAxisTools::PointsToIntervals(const TAxis* Axis, char Direction) {
    const TPoint* First = Axis->GetPoint(0);
    const TPoint* Last = Axis->GetPoint(Axis->GetSize() - 1);
    if (Axis->HasEmptySlots())
        TError::Throw("Axis has empty slots in TAxisTools::PointsToIntervals");
    const double R = Axis->GetResolution();
    const double H = R * 0.5;

    // X edges run in the direction of the X centres: west to east as a rule, east to west
    // for a map whose columns are stored that way.
    double X = First->GetX() - H;
    double XStep = R;
    if (Direction == 'X' && First->GetX() > Last->GetX()) {
        X = First->GetX() + H;
        XStep = -R;
    }
    // Y edges run in the direction of the Y centres: north to south as a rule, south to north
    // for a map whose rows are stored that way. Only an upper-case 'Y' turns them north to
    // south: any other character that selects Y gives ascending edges, whatever the
    // direction of the centres.
    double Y = First->GetY() - H;
    double YStep = R;
    if (First->GetY() > Last->GetY()) {
        Y = First->GetY() + H;
        YStep = Direction == 'Y' ? -R : R;
    }

    std::unique_ptr<TAxis> Intervals(new TAxis(R));
    for (long K = 0; K <= Axis->GetSize(); ++K) {
        // Running sums, one step added per point; 'X' steps in X, any other character in Y.
        Intervals->AddPoint(new TPoint(X, Y));
        if (Direction == 'X')
            X += XStep;
        else
            Y += YStep;
    }
    return Intervals.release();
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
