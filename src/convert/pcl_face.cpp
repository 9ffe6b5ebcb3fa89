#include "convert/pcl_face.h"
