# The shared libraries that can sit in one process (the tracing proxy in
# front of the simulator), and every static library linked into them: code
# position independent so that it can go into a shared library, symbols
# hidden so that each library keeps its own copy of what it is made of and
# never binds to the other's. The exported operations say so themselves
# (zkt_library_exports).
function(quilmar_hidden_symbols target)
  set_target_properties(${target} PROPERTIES
    POSITION_INDEPENDENT_CODE ON
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
endfunction()
