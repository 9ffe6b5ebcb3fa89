// The one translation unit that holds stb's PNG reader.
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
