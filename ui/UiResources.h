// The window's compiled-in pictures: a static library's resources load only when initialised.
#pragma once

// Registers the glyphs and the dialogs' pictures; every program that shows a control calls it
// once, after the application object exists. Calling it again does no harm.
void InitUiResources();
