// The desktop's media controls, seen from the player: what a request from the
// session bus does, and what the player tells the bus about itself. Each
// command goes through the same procedures as the panel's own controls.
#pragma once

#include <cstdint>

#include "platform/media_bus.h"

// Offers the controls on the session bus when there is one; without one it
// changes nothing, and runMediaRequests does nothing either.
void startMediaRemote();
// A step of every main-loop pass, after the event's handler: runs the queued
// requests, then publishes the player's state.
void runMediaRequests();

void runMediaRequest(const MediaRequest &request);
MediaState readMediaState();
int64_t readPositionMicroseconds();
