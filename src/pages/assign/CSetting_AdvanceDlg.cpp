#include "pages/assign/CSetting_AdvanceDlg.h"

#include <QFileDialog>
#include <QMouseEvent>
#include <QPainter>
#include <QStringList>

#include "ui/Accessibility.h"
#include "ui/CBitmapEdit.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/Skin.h"

namespace x5k::pages {
namespace {

constexpr int kPathFontPixels = 12;
constexpr int kWholePath = 32767;

}  // namespace

std::optional<std::string> OpenPathDialog(QWidget* parent, const assign::PathRequest& request) {
    const QString initial = QString::fromStdString(request.initialFolder.string());
    if (request.dialog == assign::PathDialog::ChooseFolder) {
        const QString folder = QFileDialog::getExistingDirectory(parent, QString(), initial);
        if (folder.isEmpty()) return std::nullopt;
        return folder.toStdString();
    }
    QStringList filters;
    for (const std::string& filter : request.nameFilters) filters << QString::fromStdString(filter);
    QFileDialog dialog(parent, QString(), initial);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(filters);
    if (!request.defaultSuffix.empty()) {
        dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst().toStdString();
}

CSetting_AdvanceDlg::CSetting_AdvanceDlg(QWidget* parent, bool chinese,
                                         assign::AdvancedPageModel& model,
                                         const InterfaceStrings& strings,
                                         assign::DialogFolders folders)
    : CSubPage(parent, assign::kAdvancedLayout, chinese),
      model_(model),
      strings_(strings),
      folders_(std::move(folders)) {
    const QImage ground = skins().normal.toImage();
    const QString browseText = ui::fromUtf8(strings.get("str_browse"));
    for (int r = 0; r < assign::kAdvancedRowCount; ++r) {
        const assign::AdvancedRow& info = assign::AdvancedRows()[static_cast<size_t>(r)];
        const std::string name(info.name);
        Row& row = rows_[static_cast<size_t>(r)];
        row.label = ui::fromUtf8(strings.get(info.labelKey));

        row.radio = skins().button(this, rectOf(name));
        row.radio->SetCheckMode(true, false);
        row.radio->setAccessibleName(row.label);
        connect(row.radio, &QAbstractButton::clicked, this, [this, r] {
            model_.clickRadio(r);
            showRadios();
        });

        const QRect pathRect = rectOf(name + ".path");
        row.path = new ui::CBitmapEdit(this, pathRect, kPathFontPixels);
        row.path->SetBackground(pathRect.x(), pathRect.y(), pathRect.width(), pathRect.height(),
                                ground);
        row.path->setAccessibleName(row.label);
        // The box shows a chosen path whole, as the page keeps it; one too long for the
        // profile is refused where it is stored, not cut here.
        row.path->setMaxLength(kWholePath);
        row.path->installEventFilter(this);
        connect(row.path, &QLineEdit::textEdited, this,
                [this, r](const QString& text) { model_.setPath(r, text.toStdString()); });

        row.browse = skins().button(this, rectOf(name + ".browse"));
        row.browse->SetCaption(browseText);
        row.browse->setAccessibleDescription(row.label);
        connect(row.browse, &QAbstractButton::clicked, this, [this, r] { browse(r); });
    }
}

void CSetting_AdvanceDlg::browse(int row) {
    const auto request = model_.browse(row, folders_);
    showRadios();
    if (!request || !pathDialog_) return;
    const auto chosen = pathDialog_(window(), *request);
    // A cancelled dialog leaves the row's path as it was.
    if (!chosen) return;
    model_.pathChosen(row, *chosen);
    pathBox(row)->setText(QString::fromStdString(model_.path(row)));
}

void CSetting_AdvanceDlg::showRadios() {
    for (int r = 0; r < assign::kAdvancedRowCount; ++r) radio(r)->SetChecked(model_.radio(r));
}

bool CSetting_AdvanceDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (int r = 0; r < assign::kAdvancedRowCount; ++r) {
            if (watched == pathBox(r)) {
                browse(r);
                return true;
            }
        }
    }
    return CSubPage::eventFilter(watched, event);
}

void CSetting_AdvanceDlg::paintEvent(QPaintEvent* event) {
    MessageWindow::paintEvent(event);
    QPainter painter(this);
    for (const assign::PaintedText& text : assign::PaintedTexts()) {
        if (text.page != assign::kAdvancedLayout) continue;
        DrawPaintedText(painter, rectOf(text.control), ui::fromUtf8(strings_.get(text.key)),
                        text.align, text.colour);
    }
}

}  // namespace x5k::pages
