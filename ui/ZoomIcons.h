// Pictures of the two zoom buttons: a page stretched to the width, a page shown whole.
#pragma once

#include <QIcon>

// The desktop theme's icon where it has one; otherwise a drawn page with arrows across its
// width, or along its height for the whole page.
QIcon ZoomIcon(bool WholePage);
