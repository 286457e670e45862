// HUD set-up, buttons and the seven named actions, and the hit test that selects a button.
// No GL here: the hit test takes the window size as an argument.
#pragma once

#include "hud/hud.h"

void initHud(Hud* hud, Scene* scene, Camera* viewpoint, Clock* clock, Resources* resources);
ActionTable* createActionTable();
// Frees the background and button arrays and leaves them empty (what a reload replaces).
void freeHudArrays(Hud* hud);
// Frees everything initHud and the loader gave the Hud: the arrays and the action table.
void freeHud(Hud* hud);
ActionHandler findAction(const ActionTable* table, const char* name);
void addBackground(Hud* hud, const Background& background);
void addButton(Hud* hud, const Button& button);
void resolveButtons(Hud* hud);

// Converts a window pixel to HUD coordinates for a window of the given size.
Float2 hudPointFromPixel(int32_t x, int32_t y, int32_t windowWidth, int32_t windowHeight);
// Sets overHud, and when the pointer (mouseX, mouseY) is inside a background, overButton and
// hitButton.
void hudHitTest(Hud* hud, int32_t windowWidth, int32_t windowHeight);

void actionEntityMove(float* values, Hud* hud);
void actionEntityRotate(float* values, Hud* hud);
void actionParticleSystemState(float* values, Hud* hud);
void actionTimeRate(float* values, Hud* hud);
void actionDrawBoundings(float* values, Hud* hud);
void actionNone(float* values, Hud* hud);
