#include "convert/bdf_writer.h"
