" Vim syntax file
" Language:    Vantor, the scripting language of quill
" Filenames:   *.vt

if exists("b:current_syntax")
  finish
endif

" Tokens need no blanks between them (putx is put x, a1 is a 1), so no item
" asks for word boundaries. Where two items start at one place the one
" defined later wins, which gives quill's longest token: puts over p,
" 0x1F over 0.
syn match   vantorVariable  "[a-z]"
syn match   vantorLabel     "[A-Z]"
syn match   vantorKeyword   "puts\|put\|if\|below\|above\|func\|new"
syn match   vantorOperator  "[=~+*/%<>!@:;()[\]-]\|&&\|||"
syn match   vantorNumber    "[1-9][0-9]*"
syn match   vantorOctal     "0[0-7]*"
syn match   vantorHex       "0[xX][0-9a-fA-F]\+"
" texts have no escapes and may span lines
syn region  vantorString    start=+"+ end=+"+
syn region  vantorString    start=+'+ end=+'+
syn match   vantorComment   "#.*$"

" a text can open anywhere above: only a full scan knows
syn sync fromstart

hi def link vantorVariable  Identifier
hi def link vantorLabel     Label
hi def link vantorKeyword   Statement
hi def link vantorOperator  Operator
hi def link vantorNumber    Number
hi def link vantorOctal     Number
hi def link vantorHex       Number
hi def link vantorString    String
hi def link vantorComment   Comment

let b:current_syntax = "vantor"
