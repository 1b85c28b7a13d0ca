# The program's icon and the notification icon's three state pictures, drawn at build
# time into the calling folder's build folder (where app/tavix.rc finds them).
function(tavix_make_icons out)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(icons)
  foreach(mark "" up down unknown)
    set(ico ${CMAKE_CURRENT_BINARY_DIR}/tavix${mark}.ico)
    add_custom_command(OUTPUT ${ico}
      COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/scripts/make-icon.py ${ico} ${mark}
      DEPENDS ${CMAKE_SOURCE_DIR}/scripts/make-icon.py VERBATIM)
    list(APPEND icons ${ico})
  endforeach()
  set_source_files_properties(${CMAKE_SOURCE_DIR}/app/tavix.rc PROPERTIES
    OBJECT_DEPENDS "${icons}")
  set(${out} ${icons} PARENT_SCOPE)
endfunction()
