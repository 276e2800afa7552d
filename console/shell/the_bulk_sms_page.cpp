#include "the_bulk_sms_page.h"

CBulkSmsPage* theBulkSmsPage = nullptr;
