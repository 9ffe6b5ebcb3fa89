#include "convert/bdf_face.h"
