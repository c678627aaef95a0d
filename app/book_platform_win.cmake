# The Windows side of the book builder's seam, shared by Folivane.exe and the Windows tests.
add_library(folivane_book_win STATIC ${CMAKE_CURRENT_LIST_DIR}/book_platform_win.cpp
                                     ${CMAKE_CURRENT_LIST_DIR}/system_error_win.cpp)
target_include_directories(folivane_book_win PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(folivane_book_win PUBLIC folivane_book shell32 user32)
