// What a model read from a work file must satisfy before the rest of the program may walk it.
#pragma once

#include "model/model.h"

namespace plikatra {

// True when the surface and development of `model` hang together the way construction and
// unfolding leave them, so that drawing, editing, unfolding and saving can follow every link:
// - every face has at least three corners, each linked into the face's ring and lying on an
//   edge that names it as one of its two halfedges;
// - pairs are mutual, distinct and share their edge; a development twin is the pair, mutual,
//   and both faces lie in the same part;
// - an edge with a second halfedge has a first one;
// - a face's part is one of the model's parts and belongs to the face's solid, and every part
//   lists at least one face, and exactly the faces that name it;
// - vertex positions and the 3D scale are finite numbers; flat positions, flap heights, part
//   rectangles, text boxes and the parts' margin lie within 1e15 units; the 2D scale is
//   within 1e15 and stays positive when saved with six decimals;
// - every corner lies within the model's bounds or the cube of half side 1 that normalisation
//   moves them into;
// - the corners of a part lie no further apart on the sheet than unfolding and editing could
//   have put them, given the part's size in 3D;
// - a model with faces has bounds that enclose a finite box, and a positive 3D scale that
//   brings it to the size normalisation gives (half its largest extent 1, with room for
//   rounding), as it is and as a saved file gives it back.
bool isSoundWorkFileModel(const Model& model);

}  // namespace plikatra
