// The painter draws over a grey picture; what lands where is read back from
// the image, as a viewer would see it.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QtTest>

#include "platform/captionscreen/CaptionPainter.h"
#include "platform/captionscreen/CaptionScreen.h"
#include "tests/platform/captionscreen/PairScript.h"

using platform::captionscreen::captionCellRect;
using platform::captionscreen::captionSafeArea;
using platform::captionscreen::CaptionScreen;
using platform::captionscreen::kColumns;
using platform::captionscreen::kRows;
using platform::captionscreen::paintCaptions;

namespace {

const QColor kPicture(128, 128, 128);

CaptionScreen screenAfter(const char* script) {
    CaptionScreen screen;
    for (const auto& [first, second] : captionscreen_test::parsePairScript(script)) {
        screen.decode(first, second);
    }
    return screen;
}

QImage render(const CaptionScreen& screen, const QSize& size, const QColor& picture = kPicture) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(picture);
    QPainter painter(&image);
    paintCaptions(painter, screen, image.rect());
    return image;
}

// How many pixels of the rectangle the captions cover: those that come out
// the same over two pictures that differ in every colour. Whatever shade a
// glyph's edge takes, it is blended with its black box, never with the
// picture, so this holds for any font.
int countCovered(const CaptionScreen& screen, const QSize& size, const QRect& rect) {
    const QImage over = render(screen, size, kPicture);
    const QImage overOther = render(screen, size, QColor(20, 230, 70));
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            n += over.pixel(x, y) == overOther.pixel(x, y) ? 1 : 0;
        }
    }
    return n;
}

// How many pixels of the rectangle have exactly the colour.
int countColour(const QImage& image, const QRect& rect, const QColor& colour) {
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            n += image.pixelColor(x, y) == colour ? 1 : 0;
        }
    }
    return n;
}

int countWhere(const QImage& image, const QRect& rect, bool (*test)(const QColor&)) {
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            n += test(image.pixelColor(x, y)) ? 1 : 0;
        }
    }
    return n;
}

bool isBright(const QColor& c) {
    return c.red() > 200 && c.green() > 200 && c.blue() > 200;
}
// Whether some pixel row of the rectangle is bright from edge to edge.
bool hasBrightLine(const QImage& image, const QRect& rect) {
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        if (countWhere(image, QRect(rect.left(), y, rect.width(), 1), isBright) == rect.width()) {
            return true;
        }
    }
    return false;
}

bool isGreenish(const QColor& c) {
    return c.green() > 150 && c.red() < 100 && c.blue() < 100;
}

}  // namespace

class CaptionPainterTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void safeAreaIsCentreOf43Picture_data();
    void safeAreaIsCentreOf43Picture();
    void cellsTileTheSafeArea();
    void emptyScreenLeavesPictureAlone();
    void rowBoxSpansFirstToLastCharacter();
    void textIsDrawnInsideItsCells();
    void colourUnderlineItalicsShow();
    void solidBlockFillsItsCell();
    void scalesWithThePicture();
};

void CaptionPainterTest::safeAreaIsCentreOf43Picture_data() {
    QTest::addColumn<QRect>("picture");
    QTest::addColumn<QRect>("safe");
    QTest::newRow("4:3") << QRect(0, 0, 640, 480) << QRect(64, 48, 512, 384);
    QTest::newRow("wide, pillar-boxed") << QRect(0, 0, 854, 480) << QRect(171, 48, 512, 384);
    QTest::newRow("tall, letter-boxed") << QRect(0, 0, 640, 600) << QRect(64, 108, 512, 384);
    QTest::newRow("offset window") << QRect(100, 50, 320, 240) << QRect(132, 74, 256, 192);
}

void CaptionPainterTest::safeAreaIsCentreOf43Picture() {
    QFETCH(QRect, picture);
    QFETCH(QRect, safe);
    QCOMPARE(captionSafeArea(picture), safe);
}

void CaptionPainterTest::cellsTileTheSafeArea() {
    const QRect picture(0, 0, 700, 500);
    const QRect safe = captionSafeArea(picture);
    QCOMPARE(captionCellRect(picture, 0, 0).topLeft(), safe.topLeft());
    QCOMPARE(captionCellRect(picture, kRows - 1, kColumns - 1).bottomRight(), safe.bottomRight());
    for (int column = 1; column < kColumns; ++column) {
        QCOMPARE(captionCellRect(picture, 3, column).left(),
                 captionCellRect(picture, 3, column - 1).right() + 1);
    }
    for (int row = 1; row < kRows; ++row) {
        QCOMPARE(captionCellRect(picture, row, 5).top(),
                 captionCellRect(picture, row - 1, 5).bottom() + 1);
    }
}

void CaptionPainterTest::emptyScreenLeavesPictureAlone() {
    const QImage image = render(screenAfter("1420 1470 'LOADED ONLY'"), QSize(640, 480));
    QCOMPARE(countColour(image, image.rect(), kPicture), 640 * 480);
}

void CaptionPainterTest::rowBoxSpansFirstToLastCharacter() {
    // Row 15 from column 4: "AB CD"; nothing else on screen.
    const QRect picture(0, 0, 640, 480);
    const CaptionScreen screen = screenAfter("1420 1472 'AB CD' 142f");
    const QImage image = render(screen, picture.size());
    const QRect box = captionCellRect(picture, 14, 4).united(captionCellRect(picture, 14, 8));
    const int boxPixels = box.width() * box.height();
    // The box hides the picture wholly, and nothing outside it is covered.
    QCOMPARE(countCovered(screen, picture.size(), box), boxPixels);
    QCOMPARE(countCovered(screen, picture.size(), picture), boxPixels);
    // The space between the words is part of the box and black.
    const QRect gap = captionCellRect(picture, 14, 6);
    QCOMPARE(countColour(image, gap, Qt::black), gap.width() * gap.height());
    // Outside the box the picture is untouched (inside, a glyph's edge may
    // happen to take the picture's shade).
    QCOMPARE(countColour(image, picture, kPicture) - countColour(image, box, kPicture),
             picture.width() * picture.height() - boxPixels);
}

void CaptionPainterTest::textIsDrawnInsideItsCells() {
    const QRect picture(0, 0, 640, 480);
    const QImage image = render(screenAfter("1420 1140 'W' 1120 'M' 142f"), picture.size());
    QVERIFY(countWhere(image, captionCellRect(picture, 0, 0), isBright) > 5);
    QCOMPARE(countWhere(image, captionCellRect(picture, 0, 1), isBright), 0);  // the mid-row space
    QVERIFY(countWhere(image, captionCellRect(picture, 0, 2), isBright) > 5);
}

void CaptionPainterTest::colourUnderlineItalicsShow() {
    const QRect picture(0, 0, 640, 480);
    const QRect cell = captionCellRect(picture, 14, 0);
    const QImage green = render(screenAfter("1420 1462 'I' 142f"), picture.size());
    QVERIFY(countWhere(green, cell, isGreenish) > 5);
    QCOMPARE(countWhere(green, cell, isBright), 0);

    // Underline: a bright line across the whole cell in its lower half.
    const QImage plain = render(screenAfter("1420 1470 'I' 142f"), picture.size());
    const QImage underlined = render(screenAfter("1420 1471 'I' 142f"), picture.size());
    const QRect lowerHalf(cell.left(), cell.center().y(), cell.width(), cell.height() / 2);
    QVERIFY(!hasBrightLine(plain, lowerHalf));
    QVERIFY(hasBrightLine(underlined, lowerHalf));

    const QImage italic = render(screenAfter("1420 146e 'I' 142f"), picture.size());
    QVERIFY(italic.copy(cell) != plain.copy(cell));
}

void CaptionPainterTest::solidBlockFillsItsCell() {
    const QRect picture(0, 0, 640, 480);
    const QImage image = render(screenAfter("1420 1470 #41c1 142f"), picture.size());
    const QRect cell = captionCellRect(picture, 14, 0);
    QCOMPARE(countColour(image, cell, Qt::white), cell.width() * cell.height());
}

void CaptionPainterTest::scalesWithThePicture() {
    const CaptionScreen screen = screenAfter("1420 1470 'SCALE' 142f");
    const int smallBox = countCovered(screen, QSize(320, 240), QRect(0, 0, 320, 240));
    const int largeBox = countCovered(screen, QSize(960, 720), QRect(0, 0, 960, 720));
    QVERIFY(smallBox > 0);
    // Three times the size each way: nine times the area, give or take rounding.
    QVERIFY(largeBox > smallBox * 8 && largeBox < smallBox * 10);
}

QTEST_MAIN(CaptionPainterTest)
#include "CaptionPainterTest.moc"
