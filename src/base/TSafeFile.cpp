#include "TSafeFile.h"

#include "TError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <locale>
#include <streambuf>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------
// The temporary files under way, in a fixed table that a signal handler can walk: a slot
// is claimed (1) while its name is copied in, and holds a name (2) from just before the
// file is created until it is renamed or removed. A write that finds no free slot, or whose
// name does not fit, is still safe; only a signal would leave its temporary file behind.

const int RegistrySize = 16;
const size_t MaxPathLength = 4096;

struct TRegistryEntry {
    std::atomic<int> State;
    char Path[MaxPathLength];
};

TRegistryEntry Registry[RegistrySize];
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs lock-free state");

int Register(const std::string& Path) {
    if (Path.size() >= MaxPathLength)
        return -1;
    for (int Slot = 0; Slot < RegistrySize; ++Slot) {
        int Free = 0;
        if (Registry[Slot].State.compare_exchange_strong(Free, 1)) {
            std::memcpy(Registry[Slot].Path, Path.c_str(), Path.size() + 1);
            Registry[Slot].State.store(2);
            return Slot;
        }
    }
    return -1;
}

void Unregister(int Slot) {
    if (Slot >= 0)
        Registry[Slot].State.store(0);
}

// ---------------------------------------------------------------------------------------

/// A stream buffer over a file descriptor that keeps the reason of the first failed write.
/// A flush writes out what is buffered, as a file stream's does.
class TDescriptorBuffer : public std::streambuf {
public:
    explicit TDescriptorBuffer(int Descriptor) : MbrDescriptor(Descriptor), MbrBuffer(BufferSize) {
        setp(MbrBuffer.data(), MbrBuffer.data() + MbrBuffer.size());
    }
    /// The `errno` of the first write that failed; 0 while none has.
    int ErrorNumber() const { return MbrErrorNumber; }

protected:
    int_type overflow(int_type C) override {
        if (!Drain())
            return traits_type::eof();
        if (!traits_type::eq_int_type(C, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(C);
            pbump(1);
        }
        return traits_type::not_eof(C);
    }

    std::streamsize xsputn(const char* Text, std::streamsize Size) override {
        // Long texts (the writers' rows) go out directly, without a copy into the buffer.
        if (Size >= DirectSize || Size > epptr() - pptr()) {
            if (!Drain())
                return 0;
            if (Size >= DirectSize)
                return WriteOut(Text, static_cast<size_t>(Size)) ? Size : 0;
        }
        std::memcpy(pptr(), Text, static_cast<size_t>(Size));
        pbump(static_cast<int>(Size));
        return Size;
    }

    int sync() override { return Drain() ? 0 : -1; }

private:
    static constexpr std::streamsize BufferSize = 1 << 16;
    static constexpr std::streamsize DirectSize = 1 << 12;

    bool Drain() {
        const bool Written = WriteOut(pbase(), static_cast<size_t>(pptr() - pbase()));
        setp(MbrBuffer.data(), MbrBuffer.data() + MbrBuffer.size());
        return Written;
    }

    /// Writes all of the text, through short writes and interruptions; after a failure
    /// nothing more is written.
    bool WriteOut(const char* Text, size_t Size) {
        while (MbrErrorNumber == 0 && Size > 0) {
            const ssize_t Written = ::write(MbrDescriptor, Text, Size);
            if (Written < 0 && errno != EINTR)
                MbrErrorNumber = errno;
            else if (Written > 0) {
                Text += Written;
                Size -= static_cast<size_t>(Written);
            }
        }
        return MbrErrorNumber == 0;
    }

    int MbrDescriptor;
    std::vector<char> MbrBuffer;
    int MbrErrorNumber = 0;
};

bool IsSymbolicLink(const std::string& FileName) {
    struct stat Status;
    return ::lstat(FileName.c_str(), &Status) == 0 && S_ISLNK(Status.st_mode);
}

/// The file that replacing the name replaces: the one a symbolic link names.
std::string ReplacedFile(const std::string& FileName) {
    if (!IsSymbolicLink(FileName))
        return FileName;
    const std::unique_ptr<char, decltype(&std::free)> Resolved(
        ::realpath(FileName.c_str(), nullptr), &std::free);
    return Resolved ? std::string(Resolved.get()) : FileName;
}

/// Gives the new file the owner, group and mode of the file it replaces, as far as this
/// process may; where it may not, the file stays as a new file would be.
void TakeOverAttributes(int Descriptor, const struct stat& Replaced) {
    struct stat Status;
    if (::fstat(Descriptor, &Status) == 0 &&
        (Status.st_uid != Replaced.st_uid || Status.st_gid != Replaced.st_gid) &&
        ::fchown(Descriptor, Replaced.st_uid, Replaced.st_gid) != 0 &&
        ::fchown(Descriptor, static_cast<uid_t>(-1), Replaced.st_gid) != 0) {
        // another owner or group is not ours to give
    }
    if (::fchmod(Descriptor, Replaced.st_mode & 0777) != 0) {
        // the umask's mode stays
    }
}

/// Counts the temporary names this process has tried.
std::atomic<unsigned> TemporaryCount{0};

} // namespace

// ---------------------------------------------------------------------------------------

/// Where a file is written: aside (a temporary file beside the destination, renamed into its
/// place), in place (the destination opened and written itself), or not at all.
enum class TPlacement { Aside, InPlace, Refuse };

struct TSafeFile::TImpl {
    ~TImpl() {
        if (Descriptor >= 0)
            ::close(Descriptor);
        if (!Temporary.empty())
            ::unlink(Temporary.c_str());
        Unregister(Slot);
    }

    TPlacement Place();

    void OpenInPlace() {
        Descriptor = ::open(FileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (Descriptor < 0)
            TError::ThrowUnableToOpen(FileName);
    }

    /// Creates the temporary file beside the target, named after it and hidden; returns
    /// whether it could be created (`errno` says why not).
    bool CreateTemporary() {
        // A shortened name keeps the temporary name within the system's limit.
        const std::filesystem::path Place = Target;
        const std::string Prefix =
            (Place.parent_path() / ("." + Place.filename().string().substr(0, 200))).string() +
            "." + std::to_string(::getpid());
        for (int Attempt = 0; Attempt < 100; ++Attempt) {
            // Registered before it exists, so that no signal finds it unregistered. A file
            // of that name that is not ours can only be left over from an ended process
            // that had our process id.
            Temporary = Prefix + "-" + std::to_string(TemporaryCount++) + ".tmp";
            Slot = Register(Temporary);
            Descriptor = ::open(Temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (Descriptor >= 0)
                return true;
            const int Error = errno;
            Temporary.clear();
            Unregister(Slot);
            Slot = -1;
            errno = Error;
            if (Error != EEXIST)
                return false;
        }
        return false;
    }

    std::string FileName;  // as the caller gave it, for the messages
    std::string Target;    // the file that the rename replaces
    std::string Temporary; // "" while there is no temporary file
    int Slot = -1;
    int Descriptor = -1;
    bool Failed = false; // a write or the closing failed
    int FailedError = 0;
    std::unique_ptr<TDescriptorBuffer> Buffer;
    std::ostream Stream{nullptr};
};

// ---------------------------------------------------------------------------------------

TSafeFile::TSafeFile(const std::string& FileName) : TSafeFile(FileName, false) {}

/// Decides where the file is written and, for a file written aside, creates the temporary
/// file with the attributes of the file it replaces.
TPlacement TSafeFile::TImpl::Place() {
    struct stat Status;
    const bool Exists = ::stat(FileName.c_str(), &Status) == 0;
    if (Exists && !S_ISREG(Status.st_mode))
        return TPlacement::InPlace; // a FIFO or a device: there is nothing to replace
    if (FileName.empty() || FileName.back() == '/')
        return TPlacement::InPlace; // no file name: opening it reports the failure
    if (!Exists && IsSymbolicLink(FileName))
        return TPlacement::InPlace; // a link to nothing yet: creates the file that it names
    // A file that may not be written may not be replaced either.
    if (Exists && ::access(FileName.c_str(), W_OK) != 0)
        return TPlacement::Refuse;
    Target = ReplacedFile(FileName);
    if (CreateTemporary()) {
        if (Exists)
            TakeOverAttributes(Descriptor, Status);
        return TPlacement::Aside;
    }
    // A writable file in a directory where no file may be created is written in place.
    return Exists && (errno == EACCES || errno == EPERM) ? TPlacement::InPlace : TPlacement::Refuse;
}

TSafeFile::TSafeFile(const std::string& FileName, bool AsideOnly) : MbrImpl(new TImpl) {
    TImpl& File = *MbrImpl;
    File.FileName = FileName;
    switch (File.Place()) {
    case TPlacement::Aside:
        break;
    case TPlacement::InPlace:
        // A caller that asks for a file written aside gets none, and the destination is
        // not touched.
        if (AsideOnly)
            return;
        File.OpenInPlace();
        break;
    case TPlacement::Refuse:
        TError::ThrowUnableToOpen(FileName);
    }
    File.Buffer.reset(new TDescriptorBuffer(File.Descriptor));
    File.Stream.rdbuf(File.Buffer.get());
    File.Stream.imbue(std::locale::classic());
}

std::unique_ptr<TSafeFile> TSafeFile::OpenAside(const std::string& FileName) {
    std::unique_ptr<TSafeFile> File(new TSafeFile(FileName, true));
    if (File->MbrImpl->Temporary.empty())
        File.reset();
    return File;
}

TSafeFile::~TSafeFile() = default;

std::ostream& TSafeFile::Stream() {
    return MbrImpl->Stream;
}

void TSafeFile::Close() {
    TImpl& File = *MbrImpl;
    if (File.Descriptor < 0) {
        if (File.Failed) // a file that failed once is never committed
            TError::ThrowUnableToWrite(File.FileName, File.FailedError);
        return;
    }
    File.Stream.flush();
    int Error = File.Buffer->ErrorNumber();
    const bool Failed = Error != 0 || !File.Stream;
    // Closing reports what the system could not store before (on network file systems).
    if (::close(File.Descriptor) != 0 && errno != EINTR && !Failed)
        Error = errno;
    File.Descriptor = -1;
    if (Failed || Error != 0) {
        File.Failed = true;
        File.FailedError = Error;
        TError::ThrowUnableToWrite(File.FileName, Error);
    }
}

void TSafeFile::Commit() {
    Close();
    TImpl& File = *MbrImpl;
    if (!File.Temporary.empty()) {
        if (::rename(File.Temporary.c_str(), File.Target.c_str()) != 0)
            TError::ThrowUnableToWrite(File.FileName, errno);
        File.Temporary.clear();
        Unregister(File.Slot);
        File.Slot = -1;
    }
}

void TSafeFile::RemoveTemporaryFiles() {
    for (TRegistryEntry& Entry : Registry)
        if (Entry.State.load() == 2)
            ::unlink(Entry.Path);
}
