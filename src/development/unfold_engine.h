// The part-growing step of an unfolding, behind an interface so that engines can be compared
// result for result: every engine must give the same parts, in the same attach order, for the
// same model and options.
#pragma once

#include "model/model.h"

namespace plikatra {

// Which edge becomes a fold first (algorithm), which folds count as flat, and how strictly a
// new face is tested against the part's outline.
struct UnfoldOptions {
    int algorithm = 1;              // 0 fold angle (free forms), 1 edge length, 2 both,
                                    // 3 fewest parts (a search over the other three)
    int flatFoldAngle = 178;        // degrees; edges flatter than this do not seed a part
    bool unstrictCrossCheck = false;  // corners shared with the new face do not count as crossing
    int searchMilliseconds = 3000;  // how long the fewest-parts search may take at most
    // Faces the fewest-parts search may lay in randomised growths: below the time bound, the
    // search ends after the same growths on every machine.
    double searchFaceBudget = 1.5e6;
    // Flaps stand on the face's own side (the drawing's setting); the fewest-parts method
    // places its flaps where they fit on the sheet as they will be drawn.
    bool flapReverse = false;
};

// Reports progress while parts grow; throws CancelledException when the user cancelled.
class UnfoldProgress {
public:
    virtual ~UnfoldProgress() = default;
    // Before each attachment: shows the count and polls Cancel, as often as the front end
    // needs (not necessarily every time).
    virtual void beforeAttach(const Model& model) = 0;
    // After each attachment.
    virtual void afterAttach(const Model& model) = 0;
};

class UnfoldEngine {
public:
    virtual ~UnfoldEngine() = default;
    // Places every face of the visible solids into parts. A cancel leaves the parts built so
    // far in the model.
    virtual void growParts(Model& model, const UnfoldOptions& options,
                           UnfoldProgress& progress) const = 0;
};

// Plain scans: every candidate choice rescans the part, every rejection restarts the scan.
// Slow on large models but the definition of the result.
class ReferenceUnfoldEngine : public UnfoldEngine {
public:
    void growParts(Model& model, const UnfoldOptions& options,
                   UnfoldProgress& progress) const override;
};

}  // namespace plikatra
