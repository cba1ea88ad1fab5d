" Vantor scripts, run by quill
au BufRead,BufNewFile *.vt setfiletype vantor
