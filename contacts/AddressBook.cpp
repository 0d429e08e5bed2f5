#include "contacts/AddressBook.h"
