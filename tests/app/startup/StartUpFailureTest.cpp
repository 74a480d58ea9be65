// The program started as a user starts it, with a TV card that cannot load:
// it tells why in one error box titled with its name and ends with a
// failure status, without showing its window. Main makes its own
// application object, so this test has a main of its own instead of a
// test framework's.
#include <cstdio>
#include <memory>
#include <string>

#include "app/Main.h"
#include "dialogs/QtMessageBoxes.h"
#include "platform/shell/MessageBox.h"
#include "platform/tv/TestCard.h"
#include "platform/tv/TvCard.h"
#include "tests/support/FakeMessageBoxes.h"

namespace {

int failures = 0;

void check(bool ok, const std::string& what) {
    if (!ok) {
        std::fprintf(stderr, "FAILED: %s\n", what.c_str());
        ++failures;
    }
}

}  // namespace

int main(int argc, char** argv) {
    using namespace platform::shell;
    auto card = std::make_unique<platform::tv::TestCard>();
    card->failLoad("no tuner answers on the bus");
    platform::tv::setCurrentCard(std::move(card));
    testsupport::FakeMessageBoxes boxes;
    dialogs::setProgramMessageBoxes(&boxes);

    const int status = Main(argc, argv);

    check(status == 1, "Main returns 1, got " + std::to_string(status));
    check(boxes.shown.size() == 1, "one box, got " + std::to_string(boxes.shown.size()));
    if (!boxes.shown.empty()) {
        const testsupport::ShownBox& box = boxes.shown.front();
        check(box.text.rfind("Cuelark cannot start: ", 0) == 0,
              "text starts with the name: " + box.text);
        check(box.text.find("no tuner answers on the bus") != std::string::npos,
              "the card's reason is told: " + box.text);
        check(box.title == kAppTitle, "title is the program's: " + box.title);
        check(box.style == (MB_OK | MB_ICONERROR), "an OK box with the error icon");
    }
    dialogs::setProgramMessageBoxes(nullptr);
    std::printf("%s\n", failures == 0 ? "passed" : "failed");
    return failures == 0 ? 0 : 1;
}
