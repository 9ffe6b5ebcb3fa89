#include "convert/face.h"
