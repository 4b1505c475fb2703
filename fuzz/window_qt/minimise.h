// Shortens a failing action sequence by delta debugging: parts of the list, then everything
// but a part, are tried, and whatever still fails the same way is kept, with finer parts
// until no single action can go. Each try replays a sequence from the start, so the whole
// search is given a budget of tries; it stops early with the shortest failing list found.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

namespace plikatra::winfuzz {

template <class T>
std::vector<T> minimiseFailing(std::vector<T> items, const std::function<bool(const std::vector<T>&)>& fails,
                               int maxTries) {
    int tries = 0;
    auto attempt = [&](const std::vector<T>& candidate) { return tries++ < maxTries && fails(candidate); };
    size_t parts = 2;
    while (items.size() >= 2 && tries < maxTries) {
        const size_t chunk = (items.size() + parts - 1) / parts;
        bool reduced = false;
        // A part alone, then everything without a part: the latter is what usually works for
        // actions that build on each other.
        for (int complement = 0; complement < 2 && !reduced; ++complement) {
            for (size_t begin = 0; begin < items.size() && !reduced; begin += chunk) {
                const size_t end = std::min(items.size(), begin + chunk);
                std::vector<T> candidate;
                if (complement) {
                    candidate.assign(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(begin));
                    candidate.insert(candidate.end(), items.begin() + static_cast<std::ptrdiff_t>(end), items.end());
                } else {
                    if (parts == 2 && end - begin == items.size()) continue;
                    candidate.assign(items.begin() + static_cast<std::ptrdiff_t>(begin),
                                     items.begin() + static_cast<std::ptrdiff_t>(end));
                }
                if (candidate.empty() || candidate.size() == items.size()) continue;
                if (attempt(candidate)) {
                    items = std::move(candidate);
                    parts = complement ? std::max<size_t>(parts - 1, 2) : 2;
                    reduced = true;
                }
            }
        }
        if (!reduced) {
            if (parts >= items.size()) break;
            parts = std::min(items.size(), parts * 2);
        }
    }
    return items;
}

}  // namespace plikatra::winfuzz
