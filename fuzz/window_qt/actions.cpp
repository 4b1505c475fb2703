#include "actions.h"

#include <QtCore/qnamespace.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>

#include "app/commands.h"

namespace plikatra::winfuzz {

namespace {

struct KindName {
    ActionKind kind;
    const char* name;
};

constexpr std::array kKindNames = {
    KindName{ActionKind::Click, "click"},           KindName{ActionKind::Drag, "drag"},
    KindName{ActionKind::Wheel, "wheel"},           KindName{ActionKind::RightClick, "rightclick"},
    KindName{ActionKind::Key, "key"},               KindName{ActionKind::Command, "command"},
    KindName{ActionKind::Shortcut, "shortcut"},     KindName{ActionKind::Undo, "undo"},
    KindName{ActionKind::SaveReopen, "savereopen"}, KindName{ActionKind::Resize, "resize"},
    KindName{ActionKind::Modeless, "modeless"},     KindName{ActionKind::Wait, "wait"},
};

// How often each kind is drawn, in the order of kKindNames. Commands and pointer work on the
// views are most of what a user does; saving and resizing are rarer but each reaches a lot.
constexpr std::array<int, kKindNames.size()> kKindWeights = {14, 16, 6, 7, 6, 30, 3, 5, 3, 4, 4, 2};

// Keys that mean something to an edit mode or a text, and some that should mean nothing.
constexpr std::array<int, 16> kKeys = {
    Qt::Key_Escape, Qt::Key_Return, Qt::Key_Delete, Qt::Key_Backspace, Qt::Key_Left, Qt::Key_Right,
    Qt::Key_Up,     Qt::Key_Down,   Qt::Key_Tab,    Qt::Key_Space,     Qt::Key_A,    Qt::Key_1,
    Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Shift, Qt::Key_Control};

// The edit modes and the development's own buttons are drawn more often than one command in
// seventy would make them: most faults hide in editing.
constexpr std::array kFavoured = {
    CommandId::CreateDevelopment, CommandId::UndoDevelopment, CommandId::EraseEdge,
    CommandId::UndoEraseEdge,     CommandId::EditFlap,        CommandId::RotatePart,
    CommandId::MovePart,          CommandId::JoinSurface,     CommandId::CutPart,
    CommandId::InputText,         CommandId::CheckSurface,    CommandId::SpecifyCutEdge,
    CommandId::SpecifyKeepEdge,   CommandId::UndoLastEditing, CommandId::Redo};

}  // namespace

const char* kindName(ActionKind kind) {
    for (const KindName& k : kKindNames)
        if (k.kind == kind) return k.name;
    return "?";
}

std::vector<Action> generateActions(std::uint64_t seed, int count) {
    std::mt19937_64 rng(seed);
    auto below = [&rng](int n) { return static_cast<int>(rng() % static_cast<std::uint64_t>(n)); };
    std::discrete_distribution<int> kinds(kKindWeights.begin(), kKindWeights.end());
    std::vector<const Command*> withShortcut;
    for (const Command& c : commandTable())
        if (*c.shortcut) withShortcut.push_back(&c);
    // Positions gather near the middle, where the parts and the model lie, but reach the edges
    // and a little beyond them.
    auto position = [&] { return below(3) == 0 ? below(1101) - 50 : 250 + below(501); };

    std::vector<Action> actions;
    actions.reserve(static_cast<size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        Action a;
        a.kind = kKindNames[static_cast<size_t>(kinds(rng))].kind;
        a.view = below(3) == 0 ? 0 : 1;
        a.x1 = position();
        a.y1 = position();
        a.x2 = a.x1 + below(401) - 200;
        a.y2 = a.y1 + below(401) - 200;
        a.answers = rng();
        switch (a.kind) {
            case ActionKind::Click:
                a.button = below(6) == 0 ? 2 : 0;
                a.modifiers = below(4) == 0 ? 1 << below(3) : 0;
                a.value = below(4) == 0 ? 2 : 1;  // clicks in a row: two is a double click
                break;
            case ActionKind::Drag:
                a.button = below(3);
                a.modifiers = below(5) == 0 ? 1 << below(3) : 0;
                a.value = 1 + below(8);  // moves between press and release
                break;
            case ActionKind::Wheel: a.value = (below(2) ? 1 : -1) * 120 * (1 + below(3)); break;
            case ActionKind::RightClick: break;
            case ActionKind::Key:
                a.value = kKeys[static_cast<size_t>(below(kKeys.size()))];
                a.modifiers = below(5) == 0 ? 1 << below(3) : 0;
                break;
            case ActionKind::Command: {
                const auto& table = commandTable();
                a.value = below(3) == 0 ? int(kFavoured[static_cast<size_t>(below(kFavoured.size()))])
                                        : int(table[static_cast<size_t>(below(static_cast<int>(table.size())))].id);
                break;
            }
            case ActionKind::Shortcut:
                a.value = int(withShortcut[static_cast<size_t>(below(static_cast<int>(withShortcut.size())))]->id);
                break;
            case ActionKind::Resize:
                a.value = below(5) == 0 ? 0 : 240 + below(1100);  // 0: maximise, or back to normal
                a.value2 = 180 + below(700);
                break;
            case ActionKind::Modeless: a.value = below(1000); break;
            case ActionKind::Wait: a.value = 50 + below(400); break;
            case ActionKind::Undo: a.value = below(3); break;  // Ctrl+Z, Ctrl+Y, Ctrl+Shift+Z
            case ActionKind::SaveReopen: break;
        }
        actions.push_back(a);
    }
    return actions;
}

std::string actionText(const Action& a) {
    char line[256];
    std::snprintf(line, sizeof line, "%s %d %d %d %d %d %d %d %d %d %llu", kindName(a.kind), a.view,
                  a.x1, a.y1, a.x2, a.y2, a.button, a.modifiers, a.value, a.value2,
                  static_cast<unsigned long long>(a.answers));
    return line;
}

std::optional<Action> parseAction(std::string_view line) {
    std::istringstream in{std::string(line)};
    std::string word;
    if (!(in >> word)) return std::nullopt;
    Action a;
    bool known = false;
    for (const KindName& k : kKindNames)
        if (word == k.name) {
            a.kind = k.kind;
            known = true;
        }
    if (!known) return std::nullopt;
    unsigned long long answers = 0;
    if (!(in >> a.view >> a.x1 >> a.y1 >> a.x2 >> a.y2 >> a.button >> a.modifiers >> a.value >> a.value2 >> answers))
        return std::nullopt;
    if (in >> word) return std::nullopt;  // more than an action holds
    a.answers = answers;
    return a;
}

std::string sequenceText(const Sequence& s) {
    std::string out = "# window fuzz sequence\nmodel " + s.model + "\nseed " + std::to_string(s.seed) + "\n";
    for (const Action& a : s.actions) out += actionText(a) + "\n";
    return out;
}

std::optional<Sequence> parseSequence(std::string_view text) {
    Sequence s;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty() || line.front() == '#') continue;
        if (line.starts_with("model ")) {
            s.model = std::string(line.substr(6));
        } else if (line.starts_with("seed ")) {
            const std::string number(line.substr(5));
            char* endOfNumber = nullptr;
            s.seed = std::strtoull(number.c_str(), &endOfNumber, 10);
            if (number.empty() || *endOfNumber) return std::nullopt;
        } else if (const std::optional<Action> a = parseAction(line)) {
            s.actions.push_back(*a);
        } else {
            return std::nullopt;
        }
    }
    if (s.model.empty()) return std::nullopt;
    return s;
}

}  // namespace plikatra::winfuzz
