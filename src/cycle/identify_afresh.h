// A port opened anew may have another controller behind it, of another
// variant: what was learnt from the last one must not shape the window or
// decode the new one's replies.
#pragma once

#include "tessaro_controller.h"

// Forgets the variant and the remembered values, puts the window back as it
// opened and shows the start values; the next status or configuration reply
// identifies the controller now attached. The log and status views keep
// their text.
void IdentifyAfresh(TessaroController& window);
