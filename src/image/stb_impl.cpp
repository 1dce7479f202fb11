// The one place where the stb decoders and the resampler are compiled. Only the formats
// the logo conversion offers are built; everything else is left out of the program.
#include <cstdlib>

#define STBI_MALLOC(size) std::malloc(size)
#define STBI_REALLOC(p, size) std::realloc(p, size)
#define STBI_FREE(p) std::free(p)
#define STBI_NO_STDIO  // files are read by the conversion itself, also on Windows
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_GIF
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_ONLY_PNM
#define STB_IMAGE_IMPLEMENTATION
#include "stb_image.h"

#define STBIR_MALLOC(size, context) ((void)(context), std::malloc(size))
#define STBIR_FREE(p, context) ((void)(context), std::free(p))
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#include "stb_image_resize.h"
