// Everything a translated program (or a hand-written one in the same form) needs.
#pragma once
#include "memory.h"
#include "platform.h"
#include "kels.h"
#include "strfunc.h"
#include "events.h"
#include "entry.h"
#include "images.h"
#include "text.h"
#include "display.h"
#include "keyboard.h"
#include "printusing.h"
