#!/usr/bin/env bash
# Exits 0 when this machine's kernel runs 32-bit x86 programs (the 32-bit Wine needs that), and
# otherwise prints why not and exits 1. Some virtual machines' kernels have no 32-bit support at
# all: there every 32-bit program fails with "Exec format error", whatever is installed.
set -uo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The smallest 32-bit program: exit(0) through the 32-bit system call gate.
printf '.globl _start\n_start:\n movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' >"$work/probe.s"
if ! as --32 -o "$work/probe.o" "$work/probe.s" || ! ld -m elf_i386 -o "$work/probe" "$work/probe.o"; then
  echo "cannot build a 32-bit probe program (binutils without 32-bit support)"
  exit 1
fi
if ! message=$("$work/probe" 2>&1); then
  echo "the kernel does not run 32-bit programs (${message##*: })"
  exit 1
fi
