// The user actions the window fuzzer plays, drawn from a seed, and their one-line text form
// in which a sequence is kept, replayed and minimised. Positions are in thousandths of the
// view's width and height, so an action means the same after the window was resized. Each
// action carries a seed of its own for the answers its dialogs get, so that any part of a
// sequence plays the same way without the actions that came before it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plikatra::winfuzz {

enum class ActionKind {
    Click,       // a click over a view
    Drag,        // press, moves and release over a view
    Wheel,       // a wheel turn over a view
    RightClick,  // the right button, which brings up a view's menu in an edit mode
    Key,         // a key over a view
    Command,     // a command of the table, as its menu item runs it
    Shortcut,    // a command's accelerator typed into the window
    Undo,        // Ctrl+Z
    SaveReopen,  // "Save As" to a new work file, then "Open" on it
    Resize,      // a new window size, or maximised and back
    Modeless,    // a click into the object list or the texture window when shown
    Wait,        // lets the event loop run a while (timers, autosave)
};

struct Action {
    ActionKind kind = ActionKind::Wait;
    int view = 0;                // 0 the 3D view, 1 the development view
    int x1 = 0, y1 = 0;          // thousandths of the view's size
    int x2 = 0, y2 = 0;          // the drag's end
    int button = 0;              // 0 left, 1 right, 2 middle
    int modifiers = 0;           // 1 Shift, 2 Control, 4 Alt
    int value = 0;               // command id, key, wheel delta, width, steps or milliseconds
    int value2 = 0;              // height of a resize
    std::uint64_t answers = 0;   // seed of the answers its dialogs get

    bool operator==(const Action&) const = default;
};

// A played sequence: the model it starts from and its actions.
struct Sequence {
    std::string model;
    std::uint64_t seed = 0;
    std::vector<Action> actions;
};

// `count` actions drawn from `seed`; the same seed always gives the same actions.
std::vector<Action> generateActions(std::uint64_t seed, int count);

// One line per action; the kind as a word, then the numbers.
std::string actionText(const Action& action);
std::optional<Action> parseAction(std::string_view line);

// "model PATH" and "seed N" lines, then the actions; '#' starts a comment line.
std::string sequenceText(const Sequence& sequence);
// None when a line does not read.
std::optional<Sequence> parseSequence(std::string_view text);

// The kind's word in the text form ("click", "drag"...).
const char* kindName(ActionKind kind);

}  // namespace plikatra::winfuzz
