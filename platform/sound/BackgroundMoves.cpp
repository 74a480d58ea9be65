#include "platform/sound/BackgroundMoves.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace platform::sound {

namespace {

std::mutex g_lock;
std::vector<std::thread>& moves() {
    static std::vector<std::thread> m;
    return m;
}

void move(const TempWavFile& file, const std::string& dest, const std::string& companion) {
    const std::size_t slash = dest.rfind('/');
    const std::string partial =
        slash == std::string::npos
            ? "." + dest + ".copying"
            : dest.substr(0, slash + 1) + "." + dest.substr(slash + 1) + ".copying";
    const std::string from = file.currentPath();
    Status s = file.copyTo(partial);
    if (s && ::rename(partial.c_str(), dest.c_str()) != 0) {
        s = Error{errnoText("Cannot save", dest, errno)};
        ::unlink(partial.c_str());
    }
    if (!s) {
        std::fprintf(stderr,
                     "Cuelark: the sound could not be copied to '%s' (%s); it is kept in "
                     "'%s'.\n",
                     dest.c_str(), s.message().c_str(), from.c_str());
        return;
    }
    ::unlink(from.c_str());
    if (!companion.empty()) {
        ::unlink(companion.c_str());
    }
}

}  // namespace

void moveInBackground(std::unique_ptr<TempWavFile> finished, std::string dest,
                      std::string companion) {
    std::shared_ptr<TempWavFile> file(std::move(finished));
    std::lock_guard<std::mutex> hold(g_lock);
    moves().emplace_back([file, dest = std::move(dest), companion = std::move(companion)] {
        move(*file, dest, companion);
    });
}

void waitForBackgroundMoves() {
    std::vector<std::thread> running;
    {
        std::lock_guard<std::mutex> hold(g_lock);
        running.swap(moves());
    }
    for (std::thread& t : running) {
        t.join();
    }
}

}  // namespace platform::sound
