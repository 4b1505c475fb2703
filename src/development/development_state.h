// What the development edits change, captured by element index outside the model: per corner
// its development twin, flat position, opened-cut offset, flap and line; per face its part;
// per edge its kind, join number and fold direction; the parts, the texts and the sheet. The
// undo history keeps only the differences between two captures, so a step that moves one part
// costs a few hundred bytes even on a model of a million faces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/model.h"

namespace plikatra {

struct CornerState {
    int twin = -1;  // corner index of the development twin
    float displayX = 0, displayY = 0, displayZ = 0;
    double flatX = 0, flatY = 0, flapHeight = 0;
    float flapInsetStart = kUsualFlapInset, flapInsetEnd = kUsualFlapInset;
    bool lineShown = true;
    bool hasFlap = false;
    bool operator==(const CornerState&) const = default;
};

struct FaceState {
    int part = -1;
    bool placed = false;
    bool operator==(const FaceState&) const = default;
};

struct EdgeState {
    int kind = kEdgeNormal;
    int joinNumber = -1;
    bool mountain = true;
    std::int8_t flapStyle = -1;
    bool operator==(const EdgeState&) const = default;
};

struct PartState {
    std::vector<int> faces;  // face indices in attach order
    double x = 0, y = 0, width = 0, height = 0;
    int solid = -1;
    bool operator==(const PartState&) const = default;
};

struct SheetState {
    double x = 0, y = 0, width = 0, height = 0, margin = 0, scale = 0;
    bool finished = false;
    bool mirrored = false;
    FlapStyle flapStyle = FlapStyle::White;
    bool operator==(const SheetState&) const = default;
};

struct DevelopmentState {
    std::vector<CornerState> corners;
    std::vector<FaceState> faces;
    std::vector<EdgeState> edges;
    std::vector<PartState> parts;
    std::vector<TextItem> texts;
    SheetState sheet;
};

// The changed entries of one array between two captures, with both values, so the change
// can be applied either way.
template <class T>
struct ArrayChanges {
    std::size_t beforeSize = 0, afterSize = 0;
    std::vector<std::uint32_t> at;
    std::vector<T> before, after;
};

struct DevelopmentDelta {
    ArrayChanges<CornerState> corners;
    ArrayChanges<FaceState> faces;
    ArrayChanges<EdgeState> edges;
    ArrayChanges<PartState> parts;
    ArrayChanges<TextItem> texts;
    SheetState sheetBefore, sheetAfter;

    bool empty() const;
    std::size_t bytes() const;
};

DevelopmentState captureDevelopment(const Model& model);
DevelopmentDelta developmentDelta(const DevelopmentState& before, const DevelopmentState& after);
// Puts the development of `model` in the state on one side of `delta` (the state after it when
// `forward`, before it otherwise). The model must be in the state on the other side, with the
// same faces, corners and edges. Join numbers and opened-cut offsets come back as they were.
void applyDelta(Model& model, const DevelopmentDelta& delta, bool forward);
// The same on a capture, so a capture kept beside the model follows it.
void applyDelta(DevelopmentState& state, const DevelopmentDelta& delta, bool forward);

}  // namespace plikatra
