// Saves pictures of the two settings dialogs as a person sees them, for the
// documentation: dialog_screenshots OUTPUT_FOLDER (run on a real display,
// such as Xvfb).
#include <QApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

#include "dialogs/frmQuality.h"
#include "dialogs/frmRecord.h"

namespace {

bool save(QWidget& w, const QString& path) {
    // Let the window manager (if any) and the style finish painting.
    for (int i = 0; i < 10; ++i) {
        QApplication::processEvents();
    }
    const bool ok = w.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

// Nothing is typed wrongly here, so no box ever shows.
struct NoBoxes final : platform::shell::MessageBoxes {
    int MessageBoxA(const std::string&, const std::string&, uint32_t) override {
        return platform::shell::IDOK;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: dialog_screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    NoBoxes quiet;
    frmRecord general([] { return std::string("/home/user/Recordings"); },
                      [](const std::string&) {}, quiet);
    general.bringUp();
    recording::QualityValues values;
    frmQuality quality(values);
    quality.bringUp();

    bool ok = save(general, folder + "/general-settings.png");
    ok = save(quality, folder + "/recording-quality.png") && ok;
    return ok ? 0 : 1;
}
