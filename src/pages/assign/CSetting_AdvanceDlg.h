#pragma once
// The advanced page of the assignment pop-up: four rows (sound, program, file, folder),
// each a radio, its painted label, a path box and a browse button.

#include <QString>

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "localisation/InterfaceStrings.h"
#include "pages/assign/AssignmentDialogModel.h"
#include "pages/assign/CSubPage.h"

namespace x5k::ui {
class CBitmapEdit;
}

namespace x5k::pages {

// Asks the user for a path as the request says; nothing when the dialog was cancelled.
using PathDialogFunction =
    std::function<std::optional<std::string>(QWidget* parent, const assign::PathRequest& request)>;

// The desktop's file dialog (an open-file dialog or a folder chooser).
std::optional<std::string> OpenPathDialog(QWidget* parent, const assign::PathRequest& request);

class CSetting_AdvanceDlg : public CSubPage {
    Q_OBJECT

public:
    CSetting_AdvanceDlg(QWidget* parent, bool chinese, assign::AdvancedPageModel& model,
                        const InterfaceStrings& strings, assign::DialogFolders folders);

    ui::CGDIBitmapBtn* radio(int row) const { return rows_.at(static_cast<size_t>(row)).radio; }
    ui::CBitmapEdit* pathBox(int row) const { return rows_.at(static_cast<size_t>(row)).path; }
    ui::CGDIBitmapBtn* browseButton(int row) const {
        return rows_.at(static_cast<size_t>(row)).browse;
    }

    // The dialog a browse opens; tests put a fake in place of the desktop's.
    void setPathDialog(PathDialogFunction dialog) { pathDialog_ = std::move(dialog); }

    // A browse click or a double click on the path box of `row`.
    void browse(int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Row {
        ui::CGDIBitmapBtn* radio = nullptr;
        ui::CBitmapEdit* path = nullptr;
        ui::CGDIBitmapBtn* browse = nullptr;
        QString label;
    };
    void showRadios();

    assign::AdvancedPageModel& model_;
    const InterfaceStrings& strings_;
    assign::DialogFolders folders_;
    PathDialogFunction pathDialog_ = OpenPathDialog;
    std::array<Row, assign::kAdvancedRowCount> rows_{};
};

}  // namespace x5k::pages
