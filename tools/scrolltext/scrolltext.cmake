# The scroll text: shaders/greetings.txt becomes the generated shader piece
# scrolltext.glsl (the token sequence that the scroller expands in place). The
# generator refuses a line that does not fit the scroller, failing the build
# with what is off. Included by the root CMakeLists before the embed step.

# The scroll-text rules, header-only: the generator and the card drawer use them.
add_library(krelan_scrolltext INTERFACE)
target_include_directories(krelan_scrolltext INTERFACE "${CMAKE_CURRENT_LIST_DIR}")

if(NOT CMAKE_CROSSCOMPILING)  # a cross build imports the native one
  add_executable(scrolltext "${CMAKE_CURRENT_LIST_DIR}/scrolltext.cpp")
  target_link_libraries(scrolltext PRIVATE krelan_scrolltext krelan_shader_assembly)
endif()

set(KRELAN_GREETINGS "${PROJECT_SOURCE_DIR}/shaders/greetings.txt")
set(KRELAN_SCROLLTEXT_PIECE "${KRELAN_GENERATED_DIR}/scrolltext.glsl")
add_custom_command(
  OUTPUT "${KRELAN_SCROLLTEXT_PIECE}"
  COMMAND scrolltext "${KRELAN_GREETINGS}" "${PROJECT_SOURCE_DIR}/shaders/scroller.glsl"
          "${KRELAN_SCROLLTEXT_PIECE}"
  DEPENDS scrolltext "${KRELAN_GREETINGS}" "${PROJECT_SOURCE_DIR}/shaders/scroller.glsl"
  COMMENT "Turning the greetings line into the scroll text"
  VERBATIM)
