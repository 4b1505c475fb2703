#include "development/flap_checks.h"

#include <algorithm>

#include "development/flap_sheet.h"

namespace plikatra {

std::vector<FlaggedFlap> findCollidingFlaps(const Model& model, bool flapReverse) {
    std::vector<FlaggedFlap> out;
    for (const auto& part : model.parts) {
        const FlapSheet sheet(model, *part, flapReverse);
        for (std::size_t i = 0; i < sheet.flaps().size(); ++i)
            if (const unsigned f = sheet.faults(i)) out.push_back({sheet.flaps()[i], f});
    }
    return out;
}

int shortenCollidingFlaps(Model& model, bool flapReverse) {
    std::vector<std::pair<Halfedge*, double>> saved;
    for (const auto& part : model.parts) {
        FlapSheet sheet(model, *part, flapReverse);
        std::vector<std::size_t> flagged;
        for (std::size_t i = 0; i < sheet.flaps().size(); ++i)
            if (sheet.faults(i)) flagged.push_back(i);
        auto halfedge = [&](std::size_t i) { return const_cast<Halfedge*>(sheet.flaps()[i]); };
        auto setHeight = [&](std::size_t i, double height) {
            halfedge(i)->flapHeight = height;
            sheet.setOutline(i, sheet.outlineAt(i, height));
        };
        std::vector<bool> isFlagged(sheet.flaps().size(), false);
        for (std::size_t i : flagged) {
            saved.push_back({halfedge(i), halfedge(i)->flapHeight});
            isFlagged[i] = true;
        }
        // First each flap clear of the faces and inside its twin, as if alone.
        for (std::size_t i : flagged) {
            const double h = halfedge(i)->flapHeight;
            const auto alone = [&](double height) {
                return !sheet.faults(i, sheet.outlineAt(i, height), nullptr, false);
            };
            if (!alone(h)) setHeight(i, greatestFitting(h, alone));
        }
        // Then flaps that still lie on each other, lowered together by one factor: two flaps
        // meeting at an inward corner both need to give way.
        std::vector<std::size_t> partners;
        for (std::size_t i : flagged) {
            partners.clear();
            if (!sheet.faults(i, sheet.outline(i), &partners)) continue;
            std::erase_if(partners, [&](std::size_t j) { return !isFlagged[j]; });
            partners.push_back(i);
            std::vector<double> heights;
            for (std::size_t j : partners) heights.push_back(halfedge(j)->flapHeight);
            const auto together = [&](double f) {
                for (std::size_t k = 0; k < partners.size(); ++k)
                    sheet.setOutline(partners[k], sheet.outlineAt(partners[k], f * heights[k]));
                for (std::size_t j : partners)
                    if (sheet.faults(j)) return false;
                return true;
            };
            const double f = greatestFitting(1.0, together);
            for (std::size_t k = 0; k < partners.size(); ++k)
                setHeight(partners[k], f * heights[k]);
        }
    }
    // Only the flaps whose height changed are the edit's.
    std::erase_if(saved, [](const auto& s) { return s.first->flapHeight == s.second; });
    return static_cast<int>(saved.size());
}

}  // namespace plikatra
