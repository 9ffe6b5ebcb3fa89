#include "pcl/symbol_sets.h"
