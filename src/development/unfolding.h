// Unfolding: grows parts face by face across the edge of highest priority while the new face
// does not cross the part's outline, then lays the parts out, joins edges that close up,
// numbers the cut edges, puts flaps on them and opens the cuts for the 3D view.
#pragma once

#include <functional>

#include "app/progress.h"
#include "model/model.h"

namespace plikatra {

inline constexpr const char* kUnfoldTitle = "Create Development";
inline constexpr const char* kUnfoldText = "Unfolding...";
inline constexpr const char* kMsgUnfoldCancelled = "Canceled development creation";

// Reports progress while parts grow; throws CancelledException when the user cancelled.
class UnfoldProgress {
public:
    virtual ~UnfoldProgress() = default;
    // Before each attachment: shows the count and polls Cancel.
    virtual void beforeAttach(const Model& model) = 0;
    // After each attachment: the status bar count.
    virtual void afterAttach(const Model& model) = 0;
};

// The part-growing step of an unfolding: places every face of the visible solids into parts.
// The reference engine scans as described below; a faster engine must give the same parts.
class UnfoldEngine {
public:
    virtual ~UnfoldEngine() = default;
    virtual void growParts(Model& model, UnfoldProgress& progress) const = 0;
};

// Plain scans: every candidate choice rescans the part, every rejection restarts the scan.
class ReferenceUnfoldEngine : public UnfoldEngine {
public:
    void growParts(Model& model, UnfoldProgress& progress) const override;
};

// Priority of an edge for the algorithm code (0 fold angle, 1 length, 2 both); keep edges
// count double.
double edgePriority(const Edge& edge, int algorithm);

// The seed face of the next part of a solid, or null when every face is placed.
Face* findSeedFace(Solid& solid);
// Creates a part from its seed face, lays the seed flat and chooses the first candidate.
Part* startPart(Model& model, Face* seed);
// Sets the part's next candidate (null when the part is complete).
void chooseCandidate(Part& part);
// Places the unplaced face across the candidate (a halfedge of a placed face of the part).
void attachFace(Model& model, Part& part, Halfedge* candidate);
// Whether the face across `edge` can be attached to `placedFace` without crossing the part's
// outline.
bool fitsWithoutCrossing(const Part& part, const Face* placedFace, const Edge& edge);

void joinCoincidentEdges(Model& model);
void numberEdges(Model& model);
void assignFlapSides(Model& model);
void computeOpenedCuts(Model& model);

struct UnfoldTimes {
    double unfoldMs = 0.0;
    double layoutMs = 0.0;
};

// The command "Create Development" (the caller tells the views, which then fit the sheet).
// Returns false when cancelled (the message was shown and
// the parts built so far stay) or when the layout dialog was dismissed.
bool createDevelopment(Model& model, const UnfoldEngine& engine, UnfoldTimes* times = nullptr);
bool createDevelopment(Model& model);

}  // namespace plikatra
