#include "common/shareddemo.h"

#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/file.h>
#include <unistd.h>

#include "common/testutil.h"

namespace fs = std::filesystem;

namespace {

// An exclusive lock on a file, held while the object lives: released on
// every way out, also when making the set throws.
class FileLock {
public:
    explicit FileLock(const std::string &path) : fd_(open(path.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644))
    {
        if (fd_ >= 0 && flock(fd_, LOCK_EX) == 0) return;
        if (fd_ >= 0) close(fd_);
        throw std::runtime_error("cannot lock " + path);
    }
    ~FileLock()
    {
        flock(fd_, LOCK_UN);
        close(fd_);
    }
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

private:
    int fd_;
};

}  // namespace

void MakeSharedOnce(const std::string &dir, const std::string &source,
                    const std::function<void(const std::string &)> &make)
{
    FileLock lock(dir + ".lock");
    const std::string done = dir + "/.complete";
    std::error_code ec;
    const auto made = fs::last_write_time(source, ec);
    if (fs::exists(done) && fs::last_write_time(done) >= made) return;
    fs::remove_all(dir, ec);
    make(dir);
    vektest::WriteText(done, "");
}

std::string SharedDemoSet()
{
    static const std::string dir = [] {
        const std::string d = std::string(VEK_BINARY_DIR) + "/test-demoset";
        MakeSharedOnce(d, std::string(VEK_BINARY_DIR) + "/vekdemo", vektest::MakeDemoData);
        return d;
    }();
    return dir;
}

void CopyDemoGameFiles(const std::string &dir)
{
    fs::create_directories(dir);
    for (const auto &e : fs::directory_iterator(SharedDemoSet())) {
        const std::string name = e.path().filename().string();
        if (name == "Data" || name == "Map")
            fs::copy(e.path(), dir + "/" + name, fs::copy_options::recursive);
        else
            fs::create_directory_symlink(e.path(), dir + "/" + name);
    }
}
