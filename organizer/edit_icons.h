// The pictures of the organizer's toolbar buttons, drawn rather than shipped.
#pragma once

#include <QIcon>

namespace orvelle {

enum class EditIcon { TurnLeft, TurnRight, TurnHalf, Delete, MoveLeft, MoveRight, Blank, Insert, Reverse, Interleave, Undo, Redo, Save };

QIcon editIcon(EditIcon which);

}  // namespace orvelle
