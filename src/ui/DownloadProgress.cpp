#include "ui/DownloadProgress.h"

#include <QMetaObject>

#include "ui/CDlgProgress.h"
#include "ui/CPngHProgressBar.h"

namespace x5k::ui {

DownloadProgress::DownloadProgress(QWidget* parent, const std::atomic<bool>& chinese)
    : QObject(parent), dialog_(new CDlgProgress(parent)), chinese_(chinese) {
    dialog_->setWindowTitle(QStringLiteral("ZintuX5KDownloadDlg"));
    dialog_->SetCancellable(true);
    // The program waits for the download: its other windows take no input meanwhile.
    dialog_->setWindowModality(Qt::ApplicationModal);
    connect(dialog_, &CDlgProgress::cancelled, this, [this] { cancelled_.store(true); });
}

DownloadProgress::~DownloadProgress() {
    delete dialog_.data();
}

void DownloadProgress::begin() {
    cancelled_.store(false);
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!dialog_) return;
            dialog_->SetChinese(chinese_.load());
            dialog_->Open();
        },
        Qt::QueuedConnection);
}

void DownloadProgress::percent(int value) {
    // The bar only: the window closes when the download ends, not half a second after
    // 100 % as an apply's does.
    QMetaObject::invokeMethod(
        this,
        [this, value] {
            if (!dialog_ || !dialog_->IsRunning()) return;
            dialog_->Bar()->SetPos(value);
            dialog_->update();
        },
        Qt::QueuedConnection);
}

void DownloadProgress::end() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (dialog_) dialog_->Close();
        },
        Qt::QueuedConnection);
}

}  // namespace x5k::ui
