#pragma once
// The five pages of the main window, as the main window drives them. Each shows its
// picture and section titles; the controls of each page come with the page's own work.

#include <QString>

#include <array>
#include <cstdint>
#include <filesystem>

#include "pages/PageWindow.h"
#include "platform/FileSystem.h"

namespace x5k::pages {

// The main settings page (buttons, resolutions, pointer, report rate, wheel).
class CDlgMainSet : public PageWindow {
    Q_OBJECT

public:
    CDlgMainSet(QWidget* mainWindow, const InterfaceStrings& strings, bool chinese);

    // Shows the working profile's values.
    void RefreshFromProfile();
    // Before an apply: brings the wheel scroll lines into their range.
    void ValidateScrollLines();

signals:
    void refreshed();
};

// The lighting page.
class CDlgLEDSet : public PageWindow {
    Q_OBJECT

public:
    CDlgLEDSet(QWidget* mainWindow, const InterfaceStrings& strings, bool chinese);
    void RefreshLighting();

signals:
    void refreshed();
};

// The macro manager page.
class CDlgMacro : public PageWindow {
    Q_OBJECT

public:
    CDlgMacro(QWidget* mainWindow, const InterfaceStrings& strings, bool chinese);

    // Closes the group menu if it is open.
    void CloseGroupMenu();
    bool IsRecording() const { return recording_; }
    // Starts or ends a recording.
    void ToggleRecording();
    // Shows the macros of a group (1..21).
    void ShowGroup(int group);
    int shownGroup() const { return group_; }
    // Before an apply: brings the loop counts of the macros into their range.
    void NormaliseLoopCounts();

private:
    bool recording_ = false;
    int group_ = 0;
};

// The statistics page. It keeps the counters of "Sts.cfg" for the whole run and writes
// them back when asked (at the end of the desktop session and at exit).
class CDlgSts : public PageWindow {
    Q_OBJECT

public:
    static constexpr size_t kCounterCount = 6;
    using Counters = std::array<uint32_t, kCounterCount>;

    CDlgSts(QWidget* mainWindow, const InterfaceStrings& strings, bool chinese, FileSystem& files,
            std::filesystem::path statisticsFile);
    // Saves the counters: nothing counted is lost when the page goes.
    ~CDlgSts() override;

    const Counters& counters() const { return counters_; }
    // Writes the counters to "Sts.cfg"; false when the file could not be written, or was
    // not written because it could not be read at the start.
    bool SaveCounters();

signals:
    // A mouse input code forwarded by the main window.
    void mouseEvent(uint32_t code);

protected:
    std::span<const MessageEntry> messageTable() const override;

private:
    intptr_t onMouseEvent(uintptr_t wParam, intptr_t lParam);

    FileSystem& files_;
    std::filesystem::path file_;
    Counters counters_{};
    // The file is there but could not be read: writing it back would replace the user's
    // counts with zeros.
    bool unreadable_ = false;
};

// The support page (versions, web page, import, export, restore defaults).
class CDlgSupport : public PageWindow {
    Q_OBJECT

public:
    CDlgSupport(QWidget* mainWindow, const InterfaceStrings& strings, bool chinese);

    // The mouse's firmware version as decimal text; empty when unknown.
    QString m_strFirmwareVersion;
};

}  // namespace x5k::pages
