#include "contacts/ContactImport.h"
