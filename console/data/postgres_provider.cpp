#include "postgres_provider.h"
