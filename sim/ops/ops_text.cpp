// Text and lines on screen: the style for the next text, the text command,
// and what each frame draws.
#include "sim/ops/op_table.h"
#include "sim/ops/ops_common.h"

namespace sim {

namespace {

// Drawn items belong to one frame: the first drawing of a new frame clears
// what an earlier frame left (in case the frame loop did not).
void StartDrawingThisFrame(World& world) {
    if (world.drawnFrame != world.frame) {
        world.textsThisFrame.clear();
        world.linesThisFrame.clear();
        world.drawnFrame = world.frame;
    }
}

}  // namespace

void Op_SetTextFont(World& world, NativeCall& call) {
    world.textStyle.font = call.Int(0);
}

void Op_SetTextScale(World& world, NativeCall& call) {
    world.textStyle.scaleX = call.Float(0);
    world.textStyle.scaleY = call.Float(1);
}

void Op_SetTextColour(World& world, NativeCall& call) {
    world.textStyle.r = call.Int(0);
    world.textStyle.g = call.Int(1);
    world.textStyle.b = call.Int(2);
    world.textStyle.a = call.Int(3);
}

void Op_SetTextWrap(World& world, NativeCall& call) {
    world.textStyle.wrapStart = call.Float(0);
    world.textStyle.wrapEnd = call.Float(1);
}

void Op_SetTextCentre(World& world, NativeCall& call) {
    world.textStyle.centre = call.Bool(0);
}

void Op_SetTextDropShadow(World& world, NativeCall& call) {
    world.textStyle.shadowDistance = call.Int(0);
}

void Op_SetTextEdge(World& world, NativeCall& call) {
    world.textStyle.edge = call.Int(0);
    world.textStyle.edgeA = call.Int(4);
}

void Op_BeginTextEntry(World& world, NativeCall&) {
    world.pendingTextEntry.clear();
}

void Op_AddTextComponentString(World& world, NativeCall& call) {
    if (const char* text = call.Str(0)) {
        world.pendingTextEntry += text;
    }
}

// Draws the assembled text with the current style; the style applies to
// this one text and is reset after it.
void Op_DrawText(World& world, NativeCall& call) {
    StartDrawingThisFrame(world);
    DrawnText drawn;
    drawn.text = world.pendingTextEntry;
    drawn.x = call.Float(0);
    drawn.y = call.Float(1);
    drawn.style = world.textStyle;
    world.textsThisFrame.push_back(drawn);
    ++world.stats.statusTexts[drawn.text];
    world.pendingTextEntry.clear();
    world.textStyle = TextStyle{};
}

void Op_DrawLine(World& world, NativeCall& call) {
    StartDrawingThisFrame(world);
    DrawnLine line;
    line.from = Vec{call.Float(0), call.Float(1), call.Float(2)};
    line.to = Vec{call.Float(3), call.Float(4), call.Float(5)};
    line.r = call.Int(6);
    line.g = call.Int(7);
    line.b = call.Int(8);
    line.a = call.Int(9);
    world.linesThisFrame.push_back(line);
}

}  // namespace sim
