// Public interface of the grid-overlay plug-in libGridveil.so.
//
// The camera library loads the plug-in with dlopen from its own library
// directory, resolves the one exported factory function and creates the grid
// editor by its identity string:
//
//     void* lib = dlopen("libGridveil.so", RTLD_NOW | RTLD_LOCAL);
//     auto create = reinterpret_cast<gridveil::CreateFunction>(
//         dlsym(lib, gridveil::kFactorySymbol));
//     gridveil::IGridEditor* editor = create(gridveil::kClassId);
//     ...
//     delete editor;   // plain owner; the library must stay loaded until then
//
// Every frame of the capture pipeline goes through Transform(). The view
// control forwards pointer input and editing commands through the other
// operations; they are listed in their fixed slot order. Every operation,
// the transform included, runs under the editor's one lock, so the capture
// thread and the window thread never see a half-edited grid. No operation
// throws; each returns kOk (0) on success and kFail (negative) otherwise.
#pragma once

#include <cstdint>

#include "Gridveil/GridTables.h"

namespace gridveil {

// Result codes with the usual COM meaning: success is non-negative.
using Result = std::int32_t;
inline constexpr Result kOk = 0;
inline constexpr Result kFail = static_cast<Result>(0x80004005u);
inline constexpr bool Succeeded(Result r) {
    return r >= 0;
}

// Identity of the plug-in's editor class, and of the interface it implements.
inline constexpr const char* kClassId = "{7C72C57C-D65E-4146-91B9-77813BC925DA}";
inline constexpr const char* kInterfaceId = "{19A32D32-19F9-45B4-8488-F5C56490E33A}";
inline constexpr const char* kFilterName = "Grid Overlay Filter";
inline constexpr const char* kLibraryName = "libGridveil.so";
inline constexpr const char* kFactorySymbol = "GridveilCreate";

// Directions of the adjust-point keys.
enum Direction : int { kUp = 0, kDown = 1, kLeft = 2, kRight = 3 };

// Row order of a frame buffer: TopDown has the picture's top row at the
// lowest address, BottomUp has it at the highest.
enum class FrameOrientation : int { TopDown = 0, BottomUp = 1 };

// A colour of the grid style: three bytes in the frame's channel order and
// one spare byte.
struct StyleColour {
    std::uint8_t c0 = 0;
    std::uint8_t c1 = 0;
    std::uint8_t c2 = 0;
    std::uint8_t spare = 0;
};

// Colours and widths of everything the editor draws (64 bytes, fixed layout).
struct GridStyle {
    StyleColour firstColumn;          //  0
    StyleColour lastColumn;           //  4
    StyleColour firstRow;             //  8
    StyleColour lastRow;              // 12
    StyleColour otherLines;           // 16
    std::int32_t firstColumnWidth;    // 20
    std::int32_t lastColumnWidth;     // 24
    std::int32_t firstRowWidth;       // 28
    std::int32_t lastRowWidth;        // 32
    std::int32_t otherLinesWidth;     // 36
    StyleColour selectedMarker;       // 40
    StyleColour otherMarkers;         // 44
    std::int32_t selectedMarkerSize;  // 48
    std::int32_t otherMarkersSize;    // 52
    StyleColour overlap;              // 56
    std::int32_t overlapWidth;        // 60
};
static_assert(sizeof(GridStyle) == 64, "GridStyle has a fixed 64-byte layout");

class IGridEditor {
  public:
    // Destroying the editor frees its own state only; the tables stay with
    // their owner.
    virtual ~IGridEditor() = default;

    // --- editor slots, in their fixed order -------------------------------
    // Bypass (initially 1): frames pass untouched and editing commands are
    // ignored.
    virtual Result ByPass(int on) = 0;
    virtual Result IsByPass(int* on) = 0;
    // Pointer input in view (client) pixels.
    virtual Result OnLButtonDown(int x, int y) = 0;
    virtual Result OnLButtonUp(int x, int y) = 0;
    virtual Result OnMouseMove(int x, int y) = 0;
    // Client size of the preview; fits the picture into 80 % of it.
    virtual Result Open(int viewWidth, int viewHeight) = 0;
    virtual Result SetTiming(int panelWidth, int panelHeight, int gridColumns, int gridRows) = 0;
    // Copies the four descriptors (the table pointers). A null descriptor
    // detaches that table. The tables must hold: adjust points 17 x 17,
    // grid gridColumns x gridRows, coarse table 65 x 65, markers 17 x 17.
    virtual Result SetBoundaryTable(const grid::PointPP* adjustPoints, const grid::PointPP* grid,
                                    const grid::PointPP* coarse, const grid::RectPP* markers) = 0;
    // Copies the overlap table's descriptor; it must hold one node per 8
    // pixels of the whole multi-projector picture, plus one, in each direction.
    virtual Result SetOverLapTable(const grid::PointPP* overlap) = 0;
    virtual Result StartOverLap() = 0;
    virtual Result GetLayoutInf(int panelWidth, int panelHeight, int layoutColumns, int layoutRows,
                                int overlapX, int overlapY) = 0;
    virtual Result FreeBoundaryTable() = 0;
    virtual Result SetGridNum(int index) = 0;   // 0-4 -> 2, 3, 5, 9, 17 points a side
    virtual Result SetMoveStep(int index) = 0;  // 0-7 -> 0.5, 1, 3, 10, 30, 100, 300, 1000 px
    virtual Result SetWarpMode(int mode) = 0;
    virtual Result SetSelIndex(int column, int row) = 0;
    virtual Result SetGridPitch(int index) = 0;  // 0-3 -> 16, 32, 48, 64
    virtual Result SetInnerMode(int on) = 0;
    virtual Result AdjustGridNum(int index) = 0;
    virtual Result IncreaseGridNum() = 0;
    virtual Result DecreaseGridNum() = 0;
    virtual Result SelAdjustPoint(int direction) = 0;   // Direction
    virtual Result MoveAdjustPoint(int direction) = 0;  // Direction
    virtual Result StartGrid(int fresh) = 0;
    virtual Result GetTable(grid::PointPP* out) = 0;    // the grid table's descriptor
    virtual Result OnSetCursor() = 0;                   // kOk while a point is under the pointer
    virtual Result GetImageSize(int* widthHeight) = 0;  // two ints: width, height
    virtual Result GetGridNum(int* index) = 0;          // the grid index 0-4
    // Zooms about (x, y) in view pixels to the zoom level *zoomLevel (0-4).
    virtual Result StretchedCamera(int x, int y, int* zoomLevel) = 0;
    virtual Result OnTimer() = 0;  // kOk while a zoom drag is under way
    virtual Result SetBoundaryType(const GridStyle* style) = 0;

    // --- capture pipeline --------------------------------------------------
    // Accepts frames of 16, 24 or 32 bits per pixel (kFail otherwise) and
    // remembers the frame size when it changed. Height is positive.
    virtual Result CheckInputType(int width, int height, int bitsPerPixel, FrameOrientation orientation) = 0;
    // Remembers the connected frame type the same way.
    virtual Result SetMediaType(int width, int height, int bitsPerPixel, FrameOrientation orientation) = 0;
    // Draws over one frame in place. stride is the distance in bytes between
    // rows in memory (at least width * bitsPerPixel / 8). A frame whose size
    // or depth differs from the connected type is taken as a new type first.
    // Unsupported or inconsistent frames are left untouched (kFail).
    virtual Result Transform(std::uint8_t* pixels, int width, int height, int stride, int bitsPerPixel,
                             FrameOrientation orientation) = 0;
};

using CreateFunction = IGridEditor* (*)(const char* classId);

}  // namespace gridveil

// The plug-in's only export. Returns a new editor when classId equals
// gridveil::kClassId, otherwise (or on failure) nullptr. The caller owns the
// editor and deletes it before unloading the library.
extern "C" gridveil::IGridEditor* GridveilCreate(const char* classId);
