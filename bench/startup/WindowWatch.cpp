#include "WindowWatch.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <set>
#include <vector>

namespace qm::bench {
namespace {

// The grid of samples: kGrid rows of kGrid columns, each at the centre of its cell.
constexpr int kGrid = 32;

struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

} // namespace

WindowWatch::WindowWatch(const std::string& display)
{
    xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
    if (connection == nullptr || xcb_connection_has_error(connection) != 0) {
        if (connection != nullptr)
            xcb_disconnect(connection);
        return;
    }
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const xcb_screen_iterator_t screen = xcb_setup_roots_iterator(setup);
    if (screen.rem == 0) {
        xcb_disconnect(connection);
        return;
    }
    const char name[] = "_NET_WM_PID";
    const Reply<xcb_intern_atom_reply_t> atom(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr));
    if (!atom) {
        xcb_disconnect(connection);
        return;
    }
    m_connection = connection;
    m_root = screen.data->root;
    m_screenWidth = screen.data->width_in_pixels;
    m_screenHeight = screen.data->height_in_pixels;
    m_pidAtom = atom->atom;
}

WindowWatch::~WindowWatch()
{
    if (m_connection != nullptr)
        xcb_disconnect(m_connection);
}

std::optional<std::uint32_t> WindowWatch::largestViewableWindowOf(pid_t pid)
{
    const Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr));
    if (!tree)
        return std::nullopt;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    // Every question goes out before the first answer is read: one round trip for all the windows.
    std::vector<xcb_get_property_cookie_t> pids;
    std::vector<xcb_get_window_attributes_cookie_t> attributes;
    std::vector<xcb_get_geometry_cookie_t> geometries;
    for (int i = 0; i < count; ++i) {
        pids.push_back(xcb_get_property(m_connection, 0, children[i], m_pidAtom, XCB_ATOM_CARDINAL, 0, 1));
        attributes.push_back(xcb_get_window_attributes(m_connection, children[i]));
        geometries.push_back(xcb_get_geometry(m_connection, children[i]));
    }
    std::optional<std::uint32_t> best;
    long long bestArea = 0;
    for (int i = 0; i < count; ++i) {
        const Reply<xcb_get_property_reply_t> property(
            xcb_get_property_reply(m_connection, pids[i], nullptr));
        const Reply<xcb_get_window_attributes_reply_t> attribute(
            xcb_get_window_attributes_reply(m_connection, attributes[i], nullptr));
        const Reply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(m_connection, geometries[i], nullptr));
        if (!property || !attribute || !geometry || property->format != 32 ||
            xcb_get_property_value_length(property.get()) < 4)
            continue;
        const auto owner = *static_cast<const std::uint32_t*>(xcb_get_property_value(property.get()));
        if (owner != std::uint32_t(pid) || attribute->map_state != XCB_MAP_STATE_VIEWABLE)
            continue;
        const long long area = (long long)geometry->width * geometry->height;
        if (area > bestArea) {
            bestArea = area;
            best = children[i];
        }
    }
    return best;
}

bool WindowWatch::holdsContent(std::uint32_t window)
{
    const Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr));
    if (!geometry)
        return false;
    // The part of the window on the screen: the server answers no image of a part off it.
    const int left = std::max(0, -int(geometry->x));
    const int top = std::max(0, -int(geometry->y));
    const int width = std::min(int(geometry->width), m_screenWidth - int(geometry->x)) - left;
    const int height = std::min(int(geometry->height), m_screenHeight - int(geometry->y)) - top;
    if (width < kGrid || height < kGrid)
        return false;
    // One strip a pixel high through each row of samples, all asked for at once.
    std::vector<xcb_get_image_cookie_t> strips;
    for (int row = 0; row < kGrid; ++row) {
        const auto y = std::int16_t(top + (2 * row + 1) * height / (2 * kGrid));
        strips.push_back(xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, std::int16_t(left), y,
                                       std::uint16_t(width), 1, ~0u));
    }
    std::set<std::uint32_t> values;
    bool complete = true;
    for (const xcb_get_image_cookie_t cookie : strips) {
        const Reply<xcb_get_image_reply_t> image(xcb_get_image_reply(m_connection, cookie, nullptr));
        if (!image) {
            complete = false;
            continue;
        }
        const std::uint8_t* data = xcb_get_image_data(image.get());
        const int length = xcb_get_image_data_length(image.get());
        // 24 and 32 bits deep windows both come as 4 bytes a pixel in Z format.
        const int bytesPerPixel = length / width;
        if (bytesPerPixel < 3 || bytesPerPixel > 4)
            continue;
        for (int column = 0; column < kGrid; ++column) {
            const int x = (2 * column + 1) * width / (2 * kGrid);
            const std::uint8_t* pixel = data + std::ptrdiff_t(x) * bytesPerPixel;
            values.insert(std::uint32_t(pixel[0]) | std::uint32_t(pixel[1]) << 8 |
                          std::uint32_t(pixel[2]) << 16);
        }
    }
    return complete && values.size() >= 3;
}

WindowLook WindowWatch::look(pid_t pid)
{
    const std::optional<std::uint32_t> window = largestViewableWindowOf(pid);
    if (!window)
        return {};
    return WindowLook{true, holdsContent(*window)};
}

bool WindowWatch::rootIsBlack()
{
    const Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, m_root), nullptr));
    if (!geometry)
        return false;
    const Reply<xcb_get_image_reply_t> image(xcb_get_image_reply(
        m_connection,
        xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, std::int16_t(geometry->width / 2),
                      std::int16_t(geometry->height / 2), 1, 1, ~0u),
        nullptr));
    if (!image || xcb_get_image_data_length(image.get()) < 3)
        return false;
    const std::uint8_t* pixel = xcb_get_image_data(image.get());
    return pixel[0] == 0 && pixel[1] == 0 && pixel[2] == 0;
}

} // namespace qm::bench
