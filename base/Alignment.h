// Horizontal text alignment, in its fixed order: shared by the field model
// (how a field's values line up) and the platform layer (how text is drawn),
// so that code using both sees one type.
#pragma once

namespace morvel {

enum Alignment { taLeftJustify, taRightJustify, taCenter };

}  // namespace morvel
