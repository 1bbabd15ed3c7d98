// Every language's words fit the places the windows give them: the pages' section titles,
// the main window's hint line and region-button captions (clear of the buttons' marks), and
// the assignment pop-up's captions and painted labels. The texts come from the language
// files of the build's program folder and are measured in the fonts the windows use.

#include <QFontMetrics>
#include <QPolygon>
#include <QRegion>
#include <QTest>
#include <QTextLayout>
#include <QWidget>

#include <memory>
#include <string>

#include "gui/MainWindowRules.h"
#include "gui/StatsSources.h"
#include "layout/Layout.h"
#include "localisation/Languages.h"
#include "localisation/Localisation.h"
#include "pages/assign/SubPageTables.h"
#include "pages/support/UpdateCheck.h"
#include "support/FaultyFileSystem.h"
#include "support/RecordingUserMessages.h"
#include "support/UiTest.h"
#include "ui/CIrrButton.h"
#include "ui/Skin.h"

using namespace x5k;

namespace {

// How a window draws the text, and so how much room it has.
enum class Place {
    SectionTitle,   // page title: weight 400, the hint area's width
    RegionCaption,  // main-window region button: inside its outline, clear of its mark
    ButtonCaption,  // picture button: its width less 8 pixels left and 5 right
    PaintedLabel,   // painted text: the label's rectangle
    HintLine,       // the main window's hint: wrapped at words into the lines of its box
};

constexpr int kTextHeight = 14;
constexpr int kMaxTitleArea = 40;

const layout::Control& Find(std::string_view page, std::string_view control) {
    return *layout::findControl(*layout::findPage(page), control);
}

void AddRow(const std::string& language, std::string_view where, const std::string& text,
            Place place, const layout::Control& control, bool chinese) {
    const std::string name = language + " " + std::string(where);
    QTest::newRow(name.c_str()) << QString::fromStdString(text) << static_cast<int>(place)
                                << QString::fromUtf8(control.name.data(),
                                                     static_cast<int>(control.name.size()))
                                << ui::edges(control.rectFor(chinese));
}

}  // namespace

class TextsFitTest : public QObject {
    Q_OBJECT

private slots:
    void textFitsItsPlace_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("place");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QRect>("rect");
        test::FaultyFileSystem files;
        test::RecordingUserMessages messages;
        const std::filesystem::path program = X5K_PROGRAM_DIR;
        for (const LanguageRow& language : Languages()) {
            Localisation localisation(files, messages, program, program);
            localisation.loadLanguage(program / language.file);
            const auto get = [&](std::string_view key) { return localisation.strings().get(key); };
            const std::string label(language.label);
            const bool chinese = language.index == kLanguageChinese;

            // The pages' section titles, from the hints of their title areas (the taller
            // areas are list frames, which carry no title).
            for (const char* page : {"settings", "lighting", "macros", "statistics", "support"}) {
                for (const layout::Control& c : layout::findPage(page)->controls) {
                    if (c.look != layout::Look::HintArea || c.art != layout::Art::Background ||
                        c.rectFor(chinese).height() > kMaxTitleArea) {
                        continue;
                    }
                    const Hint hint = HintOf(c.hint);
                    AddRow(label, std::string(page) + "/" + std::string(c.name),
                           std::string(SectionTitle(get(hint.key))), Place::SectionTitle, c,
                           chinese);
                }
            }
            // Every hint a page or the main window posts, in the main window's hint line.
            for (int number = 1; number < 99; ++number) {
                const Hint hint = HintOf(number);
                if (hint.kind != Hint::Kind::String) continue;
                AddRow(label, "hint " + std::to_string(number), get(hint.key), Place::HintLine,
                       Find("main", "hint"), chinese);
            }
            // The statistics page's notes on what it cannot count.
            const gui::StatsSources limited[] = {{gui::ClickSource::OwnWindows, false},
                                                 {gui::ClickSource::OwnWindows, true},
                                                 {gui::ClickSource::InputWatch, false}};
            for (size_t i = 0; i < std::size(limited); ++i) {
                AddRow(label, "statistics note " + std::to_string(i),
                       *gui::StatsLimitNotice(limited[i], chinese), Place::HintLine,
                       Find("main", "hint"), chinese);
            }
            // The message box's words run from the message's line down to the buttons.
            const QRect message = ui::edges(Find("info", "message").rectFor(chinese));
            const QRect ok = ui::edges(Find("info", "ok").rectFor(chinese));
            QTest::newRow((label + " update without server").c_str())
                << QString::fromStdString(get(supportpage::kNoServerKey))
                << static_cast<int>(Place::HintLine) << QStringLiteral("message")
                << QRect(message.topLeft(), QSize(message.width(), ok.top() - message.top()));
            // The main window's page, profile and Apply buttons.
            for (size_t i = 0; i < mainwindow::kRegionButtons.size(); ++i) {
                AddRow(label, mainwindow::kRegionButtons[i], get(mainwindow::kRegionTooltipKeys[i]),
                       Place::RegionCaption, Find("main", mainwindow::kRegionButtons[i]), chinese);
            }
            // The pop-up's tabs and buttons and its sub-pages' browse buttons.
            for (const assign::CaptionText& caption : assign::CaptionTexts()) {
                if (!caption.caption) continue;
                AddRow(label, std::string(caption.page) + "/" + std::string(caption.control),
                       get(caption.key), Place::ButtonCaption, Find(caption.page, caption.control),
                       chinese);
            }
            // The labels the pop-up and the advanced page paint; the current-function label
            // runs on into a function name and is cut where it must be.
            for (const assign::PaintedText& painted : assign::PaintedTexts()) {
                if (painted.followedByCurrentName) continue;
                AddRow(label, std::string(painted.page) + "/" + std::string(painted.control),
                       get(painted.key), Place::PaintedLabel, Find(painted.page, painted.control),
                       chinese);
            }
        }
    }

    void textFitsItsPlace() {
        QFETCH(QString, text);
        QFETCH(int, place);
        QFETCH(QString, control);
        QFETCH(QRect, rect);
        QVERIFY2(!text.isEmpty(), "the language file gives no text");
        const int weight = static_cast<Place>(place) == Place::SectionTitle ? 400 : 300;
        const QFont font = ui::dialogFont(kTextHeight, weight);
        const QFontMetrics metrics(font);
        const int width = metrics.horizontalAdvance(text);
        const QByteArray why =
            QStringLiteral("\"%1\" is %2 pixels wide").arg(text).arg(width).toUtf8();
        switch (static_cast<Place>(place)) {
            case Place::SectionTitle:
            case Place::PaintedLabel:
                QVERIFY2(width <= rect.width(), why.constData());
                break;
            case Place::ButtonCaption:
                QVERIFY2(width <= rect.width() - 8 - 5, why.constData());
                break;
            case Place::HintLine: {
                // As many lines as the box holds, the last one ending the text.
                QTextLayout layout(text, font);
                QTextOption option;
                option.setWrapMode(QTextOption::WordWrap);
                layout.setTextOption(option);
                layout.beginLayout();
                int lines = 0;
                for (QTextLine line = layout.createLine(); line.isValid();
                     line = layout.createLine()) {
                    line.setLineWidth(rect.width());
                    ++lines;
                }
                layout.endLayout();
                QVERIFY2(lines * metrics.lineSpacing() <= rect.height(),
                         qPrintable(QStringLiteral("\"%1\" takes %2 lines").arg(text).arg(lines)));
                break;
            }
            case Place::RegionCaption: {
                // The button itself says where its caption goes.
                const layout::Control& c = Find("main", control.toStdString());
                QPolygon outline;
                for (const layout::Point& corner : c.corners) outline << QPoint(corner.x, corner.y);
                QWidget window;
                ui::CIrrButton button(&window, text, outline);
                const QRect line(button.pos() + button.CaptionOrigin(), QSize(width, kTextHeight));
                const QRegion shape(outline);
                QVERIFY2(shape.intersected(line) == QRegion(line),
                         (why + " and leaves its button").constData());
                // A few pixels apart, or the caption reads as running on from the mark.
                const QRect mark = ui::edges(layout::regionMark(c)).adjusted(-4, 0, 4, 0);
                QVERIFY2(!line.intersects(mark),
                         (why + " and runs into the button's mark").constData());
                break;
            }
        }
    }
};

X5K_UI_TEST_CLASS(TextsFitTest);

#include "TextsFitTest.moc"
