" Vim compiler file
" Compiler:    quill-check, the checker of Vantor scripts (:make checks the file)

if exists("current_compiler")
  finish
endif
let current_compiler = "quill"

if exists(":CompilerSet") != 2
  command -nargs=* CompilerSet setlocal <args>
endif

let s:cpo_save = &cpo
set cpo&vim

CompilerSet makeprg=quill-check\ $*\ %:S
" FILE:LINE:COLUMN: SEVERITY: MESSAGE [VTnnn]; the column counts bytes, as
" Vim's does. A style finding has no quickfix type of its own.
CompilerSet errorformat=%f:%l:%c:\ %trror:\ %m,
                       \%f:%l:%c:\ %tarning:\ %m,
                       \%f:%l:%c:\ %tnfo:\ %m,
                       \%f:%l:%c:\ style:\ %m

let &cpo = s:cpo_save
unlet s:cpo_save
