// The whole-file writer on POSIX systems: a new file beside the target, then rename() over it,
// or link() when an existing file must not be replaced.
#include "ui/whole_file.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

namespace {

constexpr unsigned kNameAttempts = 64;

unsigned FirstNameNumber() {
    static std::atomic<unsigned> calls{0};
    return static_cast<unsigned>(std::time(nullptr)) * 2654435761u ^ static_cast<unsigned>(getpid()) * 40503u ^
           calls.fetch_add(7919u);
}

bool WriteAll(int descriptor, std::string_view piece) {
    std::size_t done = 0;
    while (done < piece.size()) {
        const ssize_t count = write(descriptor, piece.data() + done, piece.size() - done);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return false;
        done += static_cast<std::size_t>(count);
    }
    return true;
}

// A file of ours beside the target, created new and removed when this goes out of scope unless
// it was put in place.
class SiblingFile {
public:
    SiblingFile(const char* target, std::size_t folderLength) {
        unsigned number = FirstNameNumber();
        for (unsigned attempt = 0; attempt < kNameAttempts; ++attempt, ++number) {
            if (!SiblingName(path_, sizeof path_, target, folderLength, number)) continue;
            descriptor_ = open(path_, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (descriptor_ >= 0 || errno != EEXIST) break;
        }
        created_ = descriptor_ >= 0;
    }
    SiblingFile(const SiblingFile&) = delete;
    SiblingFile& operator=(const SiblingFile&) = delete;
    ~SiblingFile() {
        if (descriptor_ >= 0) close(descriptor_);
        if (created_ && !placed_) unlink(path_);
    }

    bool Created() const { return created_; }
    const char* Path() const { return path_; }
    void Placed() { placed_ = true; }
    // The whole content; an existing target's permissions and owner carried over; then closed.
    bool Write(std::span<const std::string_view> pieces, const struct stat* old) {
        bool whole = true;
        for (std::string_view piece : pieces) whole = whole && WriteAll(descriptor_, piece);
        if (old) {
            whole = whole && fchmod(descriptor_, old->st_mode & 07777) == 0;
            [[maybe_unused]] const int owned = fchown(descriptor_, old->st_uid, old->st_gid);  // only root may
        }
        const bool closed = close(descriptor_) == 0;
        descriptor_ = -1;
        return whole && closed;
    }

private:
    char path_[PATH_MAX] = {};
    int descriptor_ = -1;
    bool created_ = false;
    bool placed_ = false;
};

}  // namespace

std::size_t FolderPartLength(const char* path) {
    const char* separator = std::strrchr(path, '/');
    return separator ? static_cast<std::size_t>(separator - path) + 1 : 0;
}

WriteOutcome WriteWholeFile(const char* path, std::span<const std::string_view> pieces, bool replace) {
    if (path[0] == '\0') return WriteOutcome::Failed;
    struct stat link;
    const bool exists = lstat(path, &link) == 0;
    if (exists && !replace) return WriteOutcome::AlreadyExists;
    struct stat old;
    const bool regularTarget = exists && stat(path, &old) == 0 && S_ISREG(old.st_mode);

    SiblingFile temporary(path, FolderPartLength(path));
    if (!temporary.Created() || !temporary.Write(pieces, regularTarget ? &old : nullptr)) return WriteOutcome::Failed;
    if (replace) {
        if (rename(temporary.Path(), path) != 0) return WriteOutcome::Failed;
        temporary.Placed();
        return WriteOutcome::Written;
    }
    // A hard link puts the file in place only while the name is free; the destructor then
    // removes our own name. A file system without hard links gets a check and a rename.
    if (::link(temporary.Path(), path) == 0) return WriteOutcome::Written;
    if (errno == EEXIST || lstat(path, &link) == 0) return WriteOutcome::AlreadyExists;
    if (rename(temporary.Path(), path) != 0) return WriteOutcome::Failed;
    temporary.Placed();
    return WriteOutcome::Written;
}
