#pragma once
// Everything the user is told goes through this interface: the program's own message
// box and the plain system box captioned "Info". Tests record every text shown.

#include <string_view>

namespace x5k {

enum class BoxButtons { Ok, OkCancel };

class UserMessages {
public:
    static constexpr int kOk = 1;
    static constexpr int kCancel = 2;

    virtual ~UserMessages() = default;
    // The program's message box. Returns kOk when OK was pressed, kCancel when Cancel
    // or the close button was pressed or the box was closed otherwise.
    virtual int showInfoDialog(std::string_view text, BoxButtons buttons) = 0;
    // The self-closing notice: OK only, closes by itself after its five-second
    // countdown. Returns kOk when the user pressed OK first, kCancel otherwise.
    virtual int showCountdownNotice(std::string_view text) = 0;
    // The system message box captioned "Info" with an OK button.
    virtual void showInfoBox(std::string_view text) = 0;
};

}  // namespace x5k
