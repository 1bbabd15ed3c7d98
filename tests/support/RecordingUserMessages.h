#pragma once
// Keeps every text shown to the user, with the kind of box, and answers with a
// scripted result.

#include <mutex>
#include <string>
#include <vector>

#include "platform/UserMessages.h"

namespace x5k::test {

enum class BoxKind { InfoDialog, InfoDialogWithCancel, CountdownNotice, InfoBox };

struct ShownMessage {
    BoxKind kind;
    std::string text;
    bool operator==(const ShownMessage&) const = default;
};

class RecordingUserMessages final : public UserMessages {
public:
    int showInfoDialog(std::string_view text, BoxButtons buttons) override {
        record(buttons == BoxButtons::Ok ? BoxKind::InfoDialog : BoxKind::InfoDialogWithCancel,
               text);
        return answer;
    }
    int showCountdownNotice(std::string_view text) override {
        record(BoxKind::CountdownNotice, text);
        return answer;
    }
    void showInfoBox(std::string_view text) override { record(BoxKind::InfoBox, text); }

    std::vector<ShownMessage> shown() const {
        std::lock_guard lock(mutex_);
        return shown_;
    }
    std::vector<std::string> texts() const {
        std::lock_guard lock(mutex_);
        std::vector<std::string> out;
        for (const auto& m : shown_) out.push_back(m.text);
        return out;
    }

    int answer = kOk;

private:
    void record(BoxKind kind, std::string_view text) {
        std::lock_guard lock(mutex_);
        shown_.push_back({kind, std::string(text)});
    }
    mutable std::mutex mutex_;
    std::vector<ShownMessage> shown_;
};

}  // namespace x5k::test
