#include "host/host_services.h"
