// cuelark-export: the Review window's export, for many recordings at once
// and from scripts. See exportUsage() for the command line.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>

#include "study/cli/ExportArgs.h"
#include "study/export/ExportJob.h"
#include "study/model/Recording.h"

namespace {

study::ExportJob* g_running = nullptr;

// Ctrl+C stops the export at its next step, which removes what it wrote.
extern "C" void onInterrupt(int) {
    if (g_running != nullptr) {
        g_running->cancel();
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    platform::Result<study::ExportCommand> command = study::parseExportArgs(args);
    if (!command) {
        std::cerr << "cuelark-export: " << command.message() << "\n";
        return 2;
    }
    if (command.value().help) {
        std::cout << study::exportUsage();
        return 0;
    }

    std::vector<study::ExportSource> sources;
    for (const std::string& script : command.value().scripts) {
        platform::Result<std::unique_ptr<study::Recording>> recording =
            study::Recording::open(script);
        if (!recording) {
            std::cerr << "cuelark-export: " << recording.message() << " Nothing was written.\n";
            return 1;
        }
        for (const study::ScriptProblem& problem : recording.value()->problems()) {
            std::cerr << "cuelark-export: " << script << ", " << problem.message << " (left out)\n";
        }
        sources.push_back(recording.value()->exportSource());
    }

    study::ExportJob job(std::move(sources), command.value().options);
    g_running = &job;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    const bool showProgress = ::isatty(STDERR_FILENO) != 0;
    const study::ExportReport report = job.run([&](const study::ExportProgress& p) {
        if (showProgress) {
            std::fprintf(stderr, "\r\033[K%d/%d %s", p.done, p.total, p.doing.c_str());
        }
    });
    g_running = nullptr;
    if (showProgress) {
        std::fputs("\r\033[K", stderr);
    }
    for (const std::string& note : report.notes) {
        std::cerr << "cuelark-export: " << note << "\n";
    }
    for (const std::string& path : report.written) {
        std::cout << path << "\n";
    }
    if (!report.status) {
        std::cerr << "cuelark-export: " << report.status.message() << "\n";
        return report.cancelled ? 130 : 1;
    }
    return 0;
}
