# Latency against connections of one bench/run (data files from report.py).
set terminal pngcairo size 900,560
set output output
set title "Latency against connections"
set xlabel "connections"
set ylabel "latency (ms)"
set logscale xy
set xtics (1, 16, 64)
set key top left
set grid
plot for [s in "vxa-typical vxa-large static-qwex static-nginx before-vxa-typical before-vxa-large"] \
       datadir."/".s.".dat" using 1:2 with linespoints title s." p50", \
     for [s in "vxa-typical vxa-large static-qwex static-nginx"] \
       datadir."/".s.".dat" using 1:3 with linespoints dashtype 2 title s." p99"
