" Vantor scripts, run by quill
au BufRead,BufNewFile *.vt setfiletype vantor
" a script run as a command: its #! line names quill, itself or through env
au BufRead,BufNewFile * if getline(1) =~# '^#!\(.*[/ ]\)\=quill\(\s\|$\)' | setfiletype vantor | endif
