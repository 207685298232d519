#!/usr/bin/perl
# Writes the benchmarks' tree of small files into FOLDER: 20 x 10 folders of 100 files each,
# 1-16 KB, sizes and contents fixed by the seed; PARTS (1-20) takes the first PARTS x 10
# folders only.   Usage: perl bench/xcopy/tree.pl FOLDER [PARTS]
use strict;
use warnings;
srand(7);
my $root = shift or die "usage: tree.pl FOLDER [PARTS]\n";
my $parts = shift // 20;
my $block = join("", map { chr(int(rand(256))) } 1 .. 65536);
for my $a (1 .. $parts) {
    for my $b (1 .. 10) {
        my $dir = sprintf("%s/part%02d/sect%02d", $root, $a, $b);
        system("mkdir", "-p", $dir) == 0 or die;
        for my $f (1 .. 100) {
            my $size = 1024 + int(rand(15 * 1024 + 1));
            open(my $out, ">", sprintf("%s/file%03d.dat", $dir, $f)) or die;
            print $out substr($block, int(rand(65536 - $size)), $size);
            close($out);
        }
    }
}
