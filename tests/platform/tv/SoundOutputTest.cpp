// The card's sound on a real sound server: this test starts its own
// PulseAudio with a null sink, so it needs no sound hardware.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <chrono>
#include <filesystem>
#include <thread>

#include "TinyStation.h"
#include "platform/tv/SimulatedCard.h"
#include "platform/win/WinQt.h"

using namespace platform::tv;
namespace win = platform::win;

namespace {

pid_t g_serverPid = 0;
bool g_serverUp = false;
std::string g_serverError;

// Runs the event loop until done() holds or the time is up; the sound
// server's own clock drives what is waited for.
template <class F>
bool waitFor(F done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

TEST(SoundOutput, PlaysTheTunedStationOnTheDefaultOutput) {
    if (!g_serverUp) {
        GTEST_SKIP() << g_serverError;
    }
    tvtest::TempBroadcasts b;
    b.addStation(3, "00:00:00:00\t9420\n", 2.0, 0.0f);
    SimulatedCard card;
    card.setBroadcastsRoot(b.root().string());
    QWidget parent;
    const win::HWND main = win::registerWidget(&parent);
    ASSERT_TRUE(card.DVALoad(0).isOk());
    const win::HWND video = card.CreateVideoWindow(main, 0, Rect{0, 35, 320, 275});
    int32_t zero = 0;
    win::SendMessageA(video, kMsgStartPicture, 0, reinterpret_cast<win::LPARAM>(&zero));
    card.DVATuneSetChannel(0, 3);
    ASSERT_TRUE(card.soundPlaying()) << "the null sink is the default output";
    EXPECT_TRUE(waitFor([&] { return card.soundSecondsPlayed() > 0.2; }, 10000))
        << "the server took " << card.soundSecondsPlayed() << " s of sound";
    win::SendMessageA(video, kMsgStopAll, 0, reinterpret_cast<win::LPARAM>(&zero));
    EXPECT_FALSE(card.soundPlaying());
    card.DVAFree();
}

// Starts PulseAudio in a private folder; false (with the reason) when it cannot.
bool startServer(const std::string& dir) {
    const std::string socket = dir + "/native";
    const std::string protocol = "module-native-protocol-unix auth-anonymous=1 socket=" + socket;
    const pid_t pid = fork();
    if (pid < 0) {
        g_serverError = "cannot fork";
        return false;
    }
    if (pid == 0) {
        setenv("HOME", dir.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
        const int log = open((dir + "/server.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (log >= 0) {
            dup2(log, 1);
            dup2(log, 2);
        }
        execlp("pulseaudio", "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
               "--disable-shm=yes", "-L", protocol.c_str(), "-L",
               "module-null-sink sink_name=tests", static_cast<char*>(nullptr));
        _exit(127);
    }
    g_serverPid = pid;
    // The server is a real process: its socket appears when it is ready.
    for (int i = 0; i < 250 && !std::filesystem::exists(socket); ++i) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            g_serverPid = 0;
            g_serverError = "pulseaudio ended at start; see " + dir + "/server.log";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!std::filesystem::exists(socket)) {
        g_serverError = "pulseaudio made no socket; see " + dir + "/server.log";
        return false;
    }
    setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
    return true;
}

void stopServer() {
    if (g_serverPid > 0) {
        kill(g_serverPid, SIGTERM);
        int status = 0;
        waitpid(g_serverPid, &status, 0);
        g_serverPid = 0;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    ::testing::InitGoogleTest(&argc, argv);
    std::string dir = (std::filesystem::temp_directory_path() / "cuelark-pulse-XXXXXX").string();
    if (mkdtemp(dir.data()) == nullptr) {
        return 1;
    }
    // The server must be there before the sound system first looks.
    g_serverUp = startServer(dir);
    int rc = 0;
    {
        QApplication app(argc, argv);
        rc = RUN_ALL_TESTS();
    }
    stopServer();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return rc;
}
