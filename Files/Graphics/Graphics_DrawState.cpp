#include "Graphics/Graphics_DrawState.h"

DrawState g_DrawState;
DrawHooks g_DrawHooks;
