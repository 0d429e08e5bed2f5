#include "contacts/MailSearch.h"
