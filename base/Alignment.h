// Horizontal alignment of a text in its cell or field, shared by the fields
// of a dataset and the controls that show them.
#pragma once

namespace morvel {

enum Alignment { taLeftJustify, taRightJustify, taCenter };

}  // namespace morvel
