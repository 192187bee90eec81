// libxcb and its MIT-SHM extension, loaded at run time: the functions the
// desktop exchange calls, found by name. The headers give the types only;
// nothing links against the libraries.
#pragma once

#include <xcb/shm.h>
#include <xcb/xcb.h>

namespace mur::platform {

#define MUR_XCB_FUNCTIONS(X)                                                                                     \
    X(xcb_connect) X(xcb_disconnect) X(xcb_connection_has_error) X(xcb_get_setup) X(xcb_setup_roots_iterator)   \
    X(xcb_depth_next) X(xcb_screen_allowed_depths_iterator) X(xcb_depth_visuals_iterator) X(xcb_visualtype_next) \
    X(xcb_setup_pixmap_formats) X(xcb_setup_pixmap_formats_length) X(xcb_generate_id) X(xcb_flush)              \
    X(xcb_create_window) X(xcb_destroy_window) X(xcb_intern_atom) X(xcb_intern_atom_reply)                      \
    X(xcb_set_selection_owner) X(xcb_get_selection_owner) X(xcb_get_selection_owner_reply)                      \
    X(xcb_convert_selection) X(xcb_change_property) X(xcb_delete_property) X(xcb_get_property)                  \
    X(xcb_get_property_reply) X(xcb_get_property_value) X(xcb_get_property_value_length) X(xcb_send_event)      \
    X(xcb_wait_for_event) X(xcb_change_window_attributes) X(xcb_get_image) X(xcb_get_image_reply)              \
    X(xcb_get_image_data) X(xcb_get_image_data_length) X(xcb_get_maximum_request_length)                        \
    X(xcb_get_extension_data) X(xcb_request_check)

#define MUR_XCB_SHM_FUNCTIONS(X)                                                                               \
    X(xcb_shm_query_version) X(xcb_shm_query_version_reply) X(xcb_shm_attach) X(xcb_shm_detach)               \
    X(xcb_shm_get_image) X(xcb_shm_get_image_reply)

struct XcbApi {
#define MUR_XCB_POINTER(name) decltype(&::name) name = nullptr;
    MUR_XCB_FUNCTIONS(MUR_XCB_POINTER)
    MUR_XCB_SHM_FUNCTIONS(MUR_XCB_POINTER)
#undef MUR_XCB_POINTER
    xcb_extension_t* shmId = nullptr;  // null: no MIT-SHM library
};

// The functions of libxcb.so.1 (and of libxcb-shm.so.0 when it loads),
// loaded on the first call; null when libxcb cannot be loaded or lacks one.
const XcbApi* xcb_api() noexcept;

}  // namespace mur::platform
