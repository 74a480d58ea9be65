#include "tools/broadcastmaker/Speech.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "tools/broadcastmaker/SoundTrack.h"

extern char** environ;

namespace tools::broadcast {

namespace {

// Runs the program with the arguments, no shell between; its output goes to
// our standard error so its complaints are seen.
platform::Status run(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    pid_t pid = 0;
    const int err = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (err != 0) {
        return platform::Error{"Cannot run " + args[0] + ": " + std::strerror(err)};
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return platform::Error{"Cannot wait for " + args[0] + ": " + std::strerror(errno)};
        }
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return platform::Error{args[0] + " failed (status " + std::to_string(status) + ")"};
    }
    return {};
}

}  // namespace

platform::Result<std::vector<float>> speak(const std::string& text, const Voice& voice, int rate,
                                           const std::string& workDir) {
    // The text goes through a file, so nothing in it can be taken for an option.
    const std::string textPath = workDir + "/line.txt";
    const std::string wavPath = workDir + "/line.wav";
    {
        std::ofstream out(textPath, std::ios::binary | std::ios::trunc);
        out << text << '\n';
        if (!out) {
            return platform::Error{platform::describeErrno("Cannot write", textPath, errno)};
        }
    }
    platform::Status ran =
        run({"espeak-ng", "-v", voice.name, "-s", std::to_string(voice.wordsPerMinute), "-w",
             wavPath, "-f", textPath});
    if (!ran) {
        return platform::Error{ran.message()};
    }
    platform::Result<std::vector<float>> sound = readSoundFile(wavPath, rate);
    ::unlink(textPath.c_str());
    ::unlink(wavPath.c_str());
    return sound;
}

}  // namespace tools::broadcast
