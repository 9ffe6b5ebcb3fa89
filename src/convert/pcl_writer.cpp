#include "convert/pcl_writer.h"
