#pragma once

// Whether the system asks programs for its own colours, for users who need
// high contrast: Windows' high-contrast mode, or a desktop (on any system)
// whose palette is one of high contrast (isHighContrastPalette). The window
// then shows the system's colours instead of its white surface and the skin.
bool highContrastInEffect();

// Windows turns its visual styles off under high contrast, and Qt's Windows
// style then draws with the system's colours; where the styles stay on (Wine
// keeps its theme when given high-contrast colours) their light faces would
// carry the system's light text. Under high contrast the classic Windows
// style, which draws everything in the system's colours, is used; out of it,
// the platform's own style again. Elsewhere nothing changes.
void followSystemColours();
