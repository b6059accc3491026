#include "common/demoset.h"

#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/file.h>
#include <unistd.h>

#include "common/testutil.h"

namespace fs = std::filesystem;

std::string SharedDemoSet()
{
    static const std::string dir = [] {
        const std::string d = std::string(VEK_BINARY_DIR) + "/test-demoset", done = d + "/.complete";
        const int lock = open((d + ".lock").c_str(), O_CREAT | O_RDWR, 0644);
        if (lock < 0 || flock(lock, LOCK_EX) != 0) throw std::runtime_error("cannot lock the shared demo set");
        std::error_code ec;
        const auto tool = fs::last_write_time(std::string(VEK_BINARY_DIR) + "/vekdemo", ec);
        if (!fs::exists(done) || fs::last_write_time(done) < tool) {
            fs::remove_all(d, ec);
            vektest::MakeDemoData(d);
            vektest::WriteText(done, "");
        }
        flock(lock, LOCK_UN);
        close(lock);
        return d;
    }();
    return dir;
}

void CopyDemoGameFiles(const std::string &dir)
{
    namespace fs = std::filesystem;
    fs::create_directories(dir);
    for (const auto &e : fs::directory_iterator(SharedDemoSet())) {
        const std::string name = e.path().filename().string();
        if (name == "Data" || name == "Map")
            fs::copy(e.path(), dir + "/" + name, fs::copy_options::recursive);
        else
            fs::create_directory_symlink(e.path(), dir + "/" + name);
    }
}
