#include "theory/NoteList.h"
