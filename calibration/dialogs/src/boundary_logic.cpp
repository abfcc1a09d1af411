#include "dialogs/boundary_logic.h"

#include <Qt>
#include <algorithm>
#include <cstdio>
#include <functional>

#include "dvOrvelAuto.h"
#include "vantis/model/doc_lock.h"
#include "vantis/model/document.h"

namespace meridan::dialogs {

namespace {

// One command per channel under the lock; the channels whose command failed.
FailedProjectors EachChannel(VantisAuto::CDoc& doc,
                             const std::function<LinkResult(VantisAuto::CChannel&)>& command) {
    VantisAuto::DocLock lock(VantisAuto::DocumentLock());
    FailedProjectors failed;
    for (auto& c : doc.m_channels)
        if (command(*c) != LINK_RESULT_OK) failed.push_back(c->m_dwIp);
    return failed;
}

void Merge(FailedProjectors& into, const FailedProjectors& more) {
    for (const std::uint32_t a : more)
        if (std::find(into.begin(), into.end(), a) == into.end()) into.push_back(a);
}

}  // namespace

FailedProjectors ClearTestPicture(VantisAuto::CDoc& doc, int shown) {
    if (shown == kPictureFullFill)
        return EachChannel(doc,
                           [](VantisAuto::CChannel& c) { return dvOrvelAutoClearSolidColor(c.m_hLink); });
    return ClearAllPictures(doc);
}

FailedProjectors DrawTestPicture(VantisAuto::CDoc& doc, int picture, int previous) {
    switch (picture) {
        case kPictureDesktop:
            return ClearTestPicture(doc, previous);
        case kPictureFullFill:
            return EachChannel(doc, [](VantisAuto::CChannel& c) {
                return dvOrvelAutoDisplaySolidColor(c.m_hLink, 0xFFFFFF);
            });
        case kPictureBorder:
            return EachChannel(doc, [&doc](VantisAuto::CChannel& c) { return doc.DrawChannelFrame(c); });
        case kPictureOverlap:
            return EachChannel(doc,
                               [&doc](VantisAuto::CChannel& c) { return doc.DrawChannelOverlapPreview(c); });
        default:
            return {};
    }
}

FailedProjectors ChangeTestPicture(VantisAuto::CDoc& doc, int picture, int previous) {
    FailedProjectors failed = ClearTestPicture(doc, previous);
    Merge(failed, DrawTestPicture(doc, picture, previous));
    return failed;
}

FailedProjectors ClearAllPictures(VantisAuto::CDoc& doc) {
    return EachChannel(doc, [](VantisAuto::CChannel& c) { return dvOrvelAutoClearImage(c.m_hLink); });
}

std::string GridLabel(int index) {
    const int n = kGridNumbers.at(static_cast<std::size_t>(index));
    char text[16];
    std::snprintf(text, sizeof text, "%dx%d", n, n);
    return text;
}

std::string ZoomLabel(int index) {
    char text[16];
    std::snprintf(text, sizeof text, "%d%%", kZoomPercents.at(static_cast<std::size_t>(index)));
    return text;
}

int WheelStep(bool towardsUser, bool modifiers) {
    return (towardsUser && !modifiers) ? -1 : 1;
}

bool StepZoom(int& index, int step, int range) {
    const int next = index + step;
    if (next < 0 || next > range - 1) return false;
    index = next;
    return true;
}

KeyAction ClassifyKey(int key) {
    switch (key) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
            return KeyAction::Move;
        case Qt::Key_W:
        case Qt::Key_A:
        case Qt::Key_S:
        case Qt::Key_D:
            return KeyAction::Select;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            return KeyAction::Swallow;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            return KeyAction::Increase;
        case Qt::Key_Minus:
            return KeyAction::Decrease;
        default:
            return KeyAction::None;
    }
}

int SelectionKey(int key) {
    switch (key) {
        case Qt::Key_W:
            return Qt::Key_Up;
        case Qt::Key_A:
            return Qt::Key_Left;
        case Qt::Key_S:
            return Qt::Key_Down;
        case Qt::Key_D:
            return Qt::Key_Right;
        default:
            return 0;
    }
}

OverlapTableSize OverlapTableOf(int gridColumns, int gridRows, int columns, int rows, int overlapX,
                                int overlapY) {
    return vantis::OverlapTableSizeOf(16 * gridColumns - 16, 16 * gridRows - 16, columns, rows, overlapX,
                                      overlapY);
}

const std::array<std::uint32_t, 16> kBoundaryStyle = {
    0xFF0000, 0xFF0000, 0xFF0000, 0xFF0000, 255,  // line colours: first/last column, first/last row, others
    2,        2,        2,        2,        1,    // line widths
    0x00FF00, 0x00FF00, 20,       10,             // marker colours and sizes
    0xFFFF,   2,                                  // overlap outline colour and width
};

}  // namespace meridan::dialogs
