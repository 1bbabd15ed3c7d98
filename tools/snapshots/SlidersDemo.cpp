// The PNG sliders and the progress bar on a dark panel: three sliders (one disabled) at
// their ends and in between, and progress bars at 0, 50 and 100 percent. The program's
// own pictures are used when the program folder has them; otherwise the demo paints
// stand-ins in the same look.

#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>

#include <memory>

#include "Demos.h"
#include "ui/CPngHProgressBar.h"
#include "ui/CPngHSliderBar.h"
#include "ui/MessageWindow.h"
#include "ui/Skin.h"

namespace {

using x5k::snapshots::Language;
using x5k::ui::CPngHProgressBar;
using x5k::ui::CPngHSliderBar;
using x5k::ui::MessageWindow;

const QColor kPanel(0x2b, 0x2e, 0x33);
const QColor kGroove(0x1b, 0x1d, 0x21);
const QColor kEdge(0x45, 0x4a, 0x52);
const QColor kAccent(21, 140, 185);
const QColor kText(0xc8, 0xcc, 0xd2);

constexpr int kWidth = 440;
constexpr int kHeight = 270;
constexpr int kTrackLeft = 170, kTrackRight = 410;

struct SliderRow {
    const char* label;
    int minimum, maximum, value;
    bool enabled;
    int top;
};
constexpr SliderRow kSliders[] = {
    {"1 .. 5 at 1", 1, 5, 1, true, 40},
    {"1 .. 10 at 7, disabled", 1, 10, 7, false, 75},
    {"1 .. 20 at 20", 1, 20, 20, true, 110},
};

struct BarRow {
    const char* label;
    int position;
    int top;
};
constexpr BarRow kBars[] = {{"0 %", 0, 170}, {"50 %", 50, 200}, {"100 %", 100, 230}};
constexpr int kBarHeight = 14;

QRect trackRect(const SliderRow& row) {
    return x5k::ui::edges(kTrackLeft, row.top, kTrackRight, row.top + 12);
}
QRect barRect(const BarRow& row) {
    return x5k::ui::edges(kTrackLeft, row.top, kTrackRight, row.top + kBarHeight);
}

// The page picture: panel, labels and the slider grooves the tracks are cut from.
QImage panelPicture() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(kPanel);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(x5k::ui::dialogFont(12, 400));
    painter.setPen(kText);
    painter.drawText(20, 22, QStringLiteral("Sliders"));
    painter.drawText(20, 155, QStringLiteral("Progress bars"));
    for (const SliderRow& row : kSliders) {
        painter.setPen(kText);
        painter.drawText(30, row.top + 11, QString::fromLatin1(row.label));
        const QRect track = trackRect(row);
        painter.setPen(kEdge);
        painter.setBrush(kGroove);
        painter.drawRoundedRect(QRectF(track).adjusted(0.5, 3.5, -0.5, -3.5), 2.5, 2.5);
    }
    for (const BarRow& row : kBars) {
        painter.setPen(kText);
        painter.drawText(30, row.top + 11, QString::fromLatin1(row.label));
    }
    return image;
}

// The thumb: a steel-blue knob on a magenta key colour that the slider cuts away.
QImage thumbPicture() {
    QImage image(10, 12, QImage::Format_RGB32);
    image.fill(QColor(255, 0, 255));
    QPainter painter(&image);
    QPainterPath knob;
    knob.addRoundedRect(QRectF(0.5, 0.5, 9, 11), 3, 3);
    QLinearGradient shade(0, 0, 0, 12);
    shade.setColorAt(0, kAccent.lighter(140));
    shade.setColorAt(1, kAccent.darker(130));
    painter.fillPath(knob, shade);
    painter.setPen(kAccent.lighter(170));
    painter.drawLine(5, 3, 5, 8);
    return image;
}

// The progress pictures, page-sized so the bars cut them at their own rectangles.
QImage progressPicture(bool fill) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(kPanel);
    QPainter painter(&image);
    for (const BarRow& row : kBars) {
        const QRect bar = barRect(row);
        painter.fillRect(bar, kEdge);
        const QRect inner = bar.adjusted(1, 1, -1, -1);
        if (!fill) {
            painter.fillRect(inner, kGroove);
            continue;
        }
        QLinearGradient shade(0, inner.top(), 0, inner.bottom());
        shade.setColorAt(0, kAccent.lighter(150));
        shade.setColorAt(0.5, kAccent);
        shade.setColorAt(1, kAccent.darker(140));
        painter.fillRect(inner, shade);
    }
    return image;
}

std::unique_ptr<QWidget> makeSliders(Language) {
    auto panel = std::make_unique<MessageWindow>();
    panel->resize(kWidth, kHeight);
    const QImage picture = panelPicture();
    panel->setBackground(QPixmap::fromImage(picture));

    QString thumbPath = x5k::ui::skinPath(QStringLiteral("Slider.png"));
    QTemporaryDir scratch;  // the thumb is read in Init, so the file may go afterwards
    if (!QFile::exists(thumbPath)) {
        thumbPath = scratch.filePath(QStringLiteral("Slider.png"));
        thumbPicture().save(thumbPath);
    }
    for (const SliderRow& row : kSliders) {
        auto* slider = new CPngHSliderBar(panel.get());
        const QRect track = trackRect(row);
        slider->Init(thumbPath, track.left(), track.top(), track.right() + 1, track.bottom() + 1,
                     panel.get(), 0);
        slider->SetBackground(track.x(), track.y(), track.width(), track.height(), picture);
        slider->SetRange(row.minimum, row.maximum);
        slider->SetPos(row.value);
        slider->setEnabled(row.enabled);
    }

    QImage background = x5k::ui::loadImage(x5k::ui::skinPath("ProgressBar/Progress_Normal.png"));
    QImage fill = x5k::ui::loadImage(x5k::ui::skinPath("ProgressBar/Progress_Over.png"));
    const bool ownPictures = !background.isNull() && !fill.isNull();
    if (!ownPictures) {
        background = progressPicture(false);
        fill = progressPicture(true);
    }
    for (const BarRow& row : kBars) {
        // The program's own progress pictures are the progress dialog's size, with the bar
        // at (35,47)-(295,56); the stand-ins are page-sized and cut at the bar's rectangle.
        const QRect source = ownPictures ? x5k::ui::edges(35, 47, 295, 56) : barRect(row);
        const QRect bar = ownPictures ? QRect(barRect(row).topLeft(), source.size()) : barRect(row);
        auto* progress = new CPngHProgressBar(panel.get(), bar, 0);
        progress->SetImages(source, background, fill);
        progress->SetRange(0, 100);
        progress->SetPos(row.position);
    }
    return panel;
}

X5K_SNAPSHOT_DEMO("sliders", makeSliders);

}  // namespace
