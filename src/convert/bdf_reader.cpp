#include "convert/bdf_reader.h"
