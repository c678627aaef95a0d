# Draws the pictures afresh and compares them byte for byte with the committed files, so that
# a change to the generator cannot be forgotten in the files the program embeds.
file(REMOVE_RECURSE ${FRESH})
file(MAKE_DIRECTORY ${FRESH})
execute_process(COMMAND ${GENERATOR} ${FRESH} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "make_pictures failed: ${result}")
endif()
foreach(name book.ico help_picture.ico pointing_hand.cur)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${FRESH}/${name} ${COMMITTED}/${name}
                  RESULT_VARIABLE differ)
  if(NOT differ EQUAL 0)
    message(FATAL_ERROR "${name} differs from what make_pictures draws; run it on resources/pictures")
  endif()
endforeach()
