#pragma once

// Whether the system asks programs for its own colours, for users who need
// high contrast: Windows' high-contrast mode, or a desktop (on any system)
// whose palette is one of high contrast (isHighContrastPalette). The window
// then shows the system's colours instead of its white surface and the skin.
bool highContrastInEffect();
