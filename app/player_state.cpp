#include "app/player_state.h"

PlayerState player;
