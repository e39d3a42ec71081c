#include "vorn_variables.h"

vorn_variables settings;
