// The one place that includes the OpenGL 1.1 and GLU headers, so that every
// other file gets GL the same way on every platform.
#pragma once

#include <GL/gl.h>
#include <GL/glu.h>
