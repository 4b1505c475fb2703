// The small pictures of the tool-bar buttons, drawn in code so that the program needs no icon
// theme.
#pragma once

#include <QIcon>

#include "app/commands.h"

namespace plikatra {

QIcon commandIcon(CommandId id);

}  // namespace plikatra
