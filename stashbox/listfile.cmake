# The list file codec on its own (Qt Core only), so that the command-line tool and the fuzzer need
# neither the grid nor widgets. The grid side (fromGrid, applyToGrid) is part of stashboxcore.
add_library(listfile STATIC
  ${CMAKE_CURRENT_LIST_DIR}/listfile.h
  ${CMAKE_CURRENT_LIST_DIR}/listfilecodec.cpp
)
target_include_directories(listfile PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(listfile PUBLIC Qt6::Core)
set_target_properties(listfile PROPERTIES AUTOMOC OFF)
if(STASHBOX_FUZZ)
  # Coverage feedback for the reader itself, not only the fuzz entry point.
  target_compile_options(listfile PRIVATE -fsanitize=fuzzer-no-link)
endif()
