// A rack's parent names each controller by its variant as soon as it is
// known: whichever reply identifies it first (the configuration reply, the
// status reply) is followed by the variant record, once.
#pragma once

// Sends {"variant":"triad"} (the name the JSON output gives) the first time it is called with the controller
// identified; nothing before, after, or outside a rack.
void SendVariantWhenKnown();
