#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <utility>
#include <vector>

#include "support/UiTest.h"
#include "ui/CListBoxEx.h"
#include "ui/CSkinScrollBar.h"
#include "ui/CSkinScrollWnd.h"

using x5k::controls::ScrollCode;
using x5k::controls::ScrollInfo;
using x5k::controls::ScrollPart;
using x5k::ui::CListBoxEx;
using x5k::ui::CSkinScrollBar;
using x5k::ui::CSkinScrollWnd;

Q_DECLARE_METATYPE(ScrollCode)
Q_DECLARE_METATYPE(ScrollPart)

namespace {

constexpr int kCell = 18;  // 163 / 9

// The colour of the synthetic skin's cell in column c and state row r: every cell tells
// itself apart, so a pixel shows which cell was drawn.
QColor cellColour(int column, int row) {
    return QColor(20 + column * 25, 40 + row * 70, 200 - column * 10);
}

QImage syntheticSkin() {
    QImage skin(163, 54, QImage::Format_RGB32);
    skin.fill(Qt::black);
    QPainter painter(&skin);
    for (int column = 0; column < 9; ++column) {
        for (int row = 0; row < 3; ++row) {
            painter.fillRect(column * kCell, row * kCell, kCell, kCell, cellColour(column, row));
        }
    }
    return skin;
}

using Commands = std::vector<std::pair<int, int>>;

Commands commands(const QSignalSpy& spy) {
    Commands all;
    for (const QList<QVariant>& call : spy) all.emplace_back(call[0].toInt(), call[1].toInt());
    return all;
}

std::pair<int, int> command(ScrollCode code, int position = 0) {
    return {static_cast<int>(code), position};
}

// A vertical bar of 18 x 200 with content 0..99, a page of 25, at position 25: the thumb
// covers [59, 100).
struct Bar {
    CSkinScrollBar bar{Qt::Vertical};
    Bar() {
        bar.SetSkin(syntheticSkin());
        bar.resize(kCell, 200);
        bar.SetScrollInfo(ScrollInfo{0, 99, 25, 25});
    }
};

}  // namespace

class CSkinScrollBarTest : public QObject {
    Q_OBJECT

private slots:
    void heldPartsRepeat_data() {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<ScrollCode>("code");
        QTest::newRow("up arrow") << QPoint(9, 5) << ScrollCode::LineUp;
        QTest::newRow("down arrow") << QPoint(9, 195) << ScrollCode::LineDown;
        QTest::newRow("track above the thumb") << QPoint(9, 30) << ScrollCode::PageUp;
        QTest::newRow("track below the thumb") << QPoint(9, 150) << ScrollCode::PageDown;
    }
    void heldPartsRepeat() {
        QFETCH(QPoint, at);
        QFETCH(ScrollCode, code);
        Bar fixture;
        CSkinScrollBar& bar = fixture.bar;
        QSignalSpy spy(&bar, &CSkinScrollBar::scrollCommand);

        x5k::uitest::pressAt(&bar, at);
        QCOMPARE(commands(spy), Commands{command(code)});  // once, at the press
        QVERIFY(bar.repeatTimer().isActive());
        QCOMPARE(bar.repeatTimer().interval(), 500);

        bar.repeatTick();  // 500 ms later
        QCOMPARE(spy.count(), 2);
        QCOMPARE(bar.repeatTimer().interval(), 100);
        bar.repeatTick();  // every 100 ms after
        bar.repeatTick();
        QCOMPARE(spy.count(), 4);

        // Held away from the part, nothing repeats; back over it, repetition resumes.
        x5k::uitest::moveAt(&bar, QPoint(9, at.y() < 100 ? 190 : 10), Qt::LeftButton);
        bar.repeatTick();
        QCOMPARE(spy.count(), 4);
        x5k::uitest::moveAt(&bar, at, Qt::LeftButton);
        bar.repeatTick();
        QCOMPARE(spy.count(), 5);

        x5k::uitest::releaseAt(&bar, at);
        QVERIFY(!bar.repeatTimer().isActive());
        QCOMPARE(commands(spy).back(), command(ScrollCode::EndScroll));
        QCOMPARE(commands(spy).size(), std::size_t{6});
    }

    void draggingTheThumb() {
        Bar fixture;
        CSkinScrollBar& bar = fixture.bar;
        QSignalSpy spy(&bar, &CSkinScrollBar::scrollCommand);
        x5k::uitest::pressAt(&bar, QPoint(9, 70));  // 11 pixels into the thumb
        QVERIFY(spy.isEmpty());
        QVERIFY(!bar.repeatTimer().isActive());
        // The thumb's start follows to 18 + 82 = 100 pixels: position 50 of 0..75.
        x5k::uitest::moveAt(&bar, QPoint(9, 111), Qt::LeftButton);
        QCOMPARE(bar.trackPosition(), 50);
        QCOMPARE(bar.GetScrollInfo().pos, 25);  // the owner moves the bar, not the drag
        x5k::uitest::moveAt(&bar, QPoint(9, 400), Qt::LeftButton);
        x5k::uitest::releaseAt(&bar, QPoint(9, 400));
        QCOMPARE(
            commands(spy),
            (Commands{command(ScrollCode::ThumbTrack, 50), command(ScrollCode::ThumbTrack, 75),
                      command(ScrollCode::ThumbPosition, 75), command(ScrollCode::EndScroll)}));
        QVERIFY(!bar.dragging());
    }

    void nothingToScrollIgnoresThePointer() {
        Bar fixture;
        CSkinScrollBar& bar = fixture.bar;
        bar.SetScrollInfo(ScrollInfo{0, 9, 20, 0});
        QSignalSpy spy(&bar, &CSkinScrollBar::scrollCommand);
        for (const QPoint at : {QPoint(9, 5), QPoint(9, 100), QPoint(9, 195)}) {
            x5k::uitest::clickAt(&bar, at);
        }
        QVERIFY(spy.isEmpty());
        QVERIFY(!bar.repeatTimer().isActive());
        QVERIFY(!bar.partLayout().hasThumb());
    }

    void partsShowTheirSkinCells_data() {
        QTest::addColumn<Qt::Orientation>("orientation");
        QTest::addColumn<QPoint>("pressAt");  // (-1, -1): hover only
        QTest::addColumn<QPoint>("probe");
        QTest::addColumn<QColor>("colour");
        const QPoint none(-1, -1);
        QTest::newRow("up arrow normal")
            << Qt::Vertical << none << QPoint(9, 5) << cellColour(0, 0);
        QTest::newRow("down arrow pressed")
            << Qt::Vertical << QPoint(9, 195) << QPoint(9, 195) << cellColour(1, 2);
        QTest::newRow("thumb pressed")
            << Qt::Vertical << QPoint(9, 70) << QPoint(9, 80) << cellColour(2, 2);
        QTest::newRow("track normal") << Qt::Vertical << none << QPoint(9, 150) << cellColour(3, 0);
        QTest::newRow("left arrow normal")
            << Qt::Horizontal << none << QPoint(5, 9) << cellColour(4, 0);
        QTest::newRow("right arrow pressed")
            << Qt::Horizontal << QPoint(195, 9) << QPoint(195, 9) << cellColour(5, 2);
        QTest::newRow("horizontal thumb")
            << Qt::Horizontal << none << QPoint(80, 9) << cellColour(6, 0);
    }
    void partsShowTheirSkinCells() {
        QFETCH(Qt::Orientation, orientation);
        QFETCH(QPoint, pressAt);
        QFETCH(QPoint, probe);
        QFETCH(QColor, colour);
        CSkinScrollBar bar(orientation);
        bar.SetSkin(syntheticSkin());
        bar.resize(orientation == Qt::Vertical ? QSize(kCell, 200) : QSize(200, kCell));
        bar.SetScrollInfo(ScrollInfo{0, 99, 25, 25});
        if (pressAt.x() >= 0) x5k::uitest::pressAt(&bar, pressAt);
        QCOMPARE(bar.grab().toImage().pixelColor(probe), colour);
    }

    void listWithFewRowsShowsADisabledBar() {
        QWidget page;
        page.resize(300, 200);
        auto* list = new CListBoxEx(&page);
        list->setGeometry(10, 10, 200, 100);
        for (int row = 0; row < 3; ++row) list->AddItem(0, QString::number(row), row);
        auto* frame = new CSkinScrollWnd;
        QVERIFY(frame->Attach(list, syntheticSkin()));
        page.show();
        QCoreApplication::processEvents();

        QCOMPARE(frame->geometry(), QRect(10, 10, 200, 100));
        CSkinScrollBar* bar = frame->verticalBar();
        QVERIFY(bar->isVisible());
        QVERIFY(!frame->horizontalBar()->isVisible());
        QVERIFY(!bar->isEnabled());
        QCOMPARE(bar->width(), kCell);
        QCOMPARE(bar->geometry().right(), frame->contentsRect().right());
        QCOMPARE(list->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QVERIFY(!list->verticalScrollBar()->isVisible());
        QCOMPARE(list->parentWidget(), frame->limit());
        QCOMPARE(frame->limit()->width(), frame->contentsRect().width() - kCell);
        // Nothing moves the list.
        x5k::uitest::clickAt(bar, QPoint(9, bar->height() - 5));
        QCOMPARE(list->verticalScrollBar()->value(), 0);

        // Enough rows to scroll enable it.
        for (int row = 3; row < 12; ++row) list->AddItem(0, QString::number(row), row);
        list->SetCurSel(0);
        QCoreApplication::processEvents();
        QVERIFY(bar->isEnabled());
        QVERIFY(bar->GetScrollInfo().scrollable());
    }

    void barCommandsScrollTheList() {
        QWidget page;
        page.resize(300, 200);
        auto* list = new CListBoxEx(&page);
        list->setGeometry(0, 0, 200, 100);
        list->setFrameShape(QFrame::NoFrame);
        for (int row = 0; row < 20; ++row) list->AddItem(0, QString::number(row), row);
        list->SetCurSel(0);
        auto* frame = new CSkinScrollWnd;
        frame->Attach(list, syntheticSkin());
        page.show();
        QCoreApplication::processEvents();
        CSkinScrollBar* bar = frame->verticalBar();
        // Five rows of 20 pixels fit: positions 0..15.
        QCOMPARE(bar->GetScrollInfo(), (ScrollInfo{0, 19, 5, 0}));

        x5k::uitest::clickAt(bar, QPoint(9, 95));  // down arrow: one row
        QCOMPARE(list->verticalScrollBar()->value(), 1);
        QCOMPARE(bar->GetScrollInfo().pos, 1);
        x5k::uitest::pressAt(bar, QPoint(9, 70));  // track below the thumb: one page
        QCOMPARE(list->verticalScrollBar()->value(), 6);
        bar->repeatTick();
        QCOMPARE(list->verticalScrollBar()->value(), 11);
        x5k::uitest::releaseAt(bar, QPoint(9, 70));
        // A drag to the far end reaches the last position.
        x5k::uitest::pressAt(bar, bar->partRect(ScrollPart::Thumb).center());
        x5k::uitest::moveAt(bar, QPoint(9, 300), Qt::LeftButton);
        QCOMPARE(list->verticalScrollBar()->value(), 15);
        x5k::uitest::releaseAt(bar, QPoint(9, 300));
        QCOMPARE(bar->GetScrollInfo().pos, 15);
        // Scrolling the list by itself moves the bar too.
        list->scrollToItem(list->item(0));
        QCOMPARE(bar->GetScrollInfo().pos, 0);
    }

    void rightToLeftPutsTheBarOnTheLeft() {
        QWidget page;
        page.resize(300, 200);
        auto* list = new CListBoxEx(&page);
        list->setLayoutDirection(Qt::RightToLeft);
        list->setGeometry(10, 10, 200, 100);
        auto* frame = new CSkinScrollWnd;
        frame->Attach(list, syntheticSkin());
        QCOMPARE(frame->verticalBar()->geometry().left(), frame->contentsRect().left());
        QCOMPARE(frame->limit()->geometry().left(), frame->contentsRect().left() + kCell);
    }
};

X5K_UI_TEST_CLASS(CSkinScrollBarTest);

#include "CSkinScrollBarTest.moc"
