#include "service/host/MonitorPageHtml.h"

namespace tarnel {

// The table's rows are made once and then only their texts and classes
// change, with a fixed table layout, so that a refresh of a thousand streams
// costs the browser work in proportion to the streams and no more.
const char* const kMonitorPageHtml = R"HTML(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Tarnel - plant overview</title>
<link rel="stylesheet" href="dygraph.min.css">
<style>
body { font: 13px sans-serif; margin: 12px; background: #F4F4F4; }
h1 { font-size: 16px; margin: 0 0 8px; }
#server { margin-bottom: 10px; }
#server span { margin-right: 18px; }
#state.up { color: #006400; font-weight: bold; }
#state.down { color: #C00000; font-weight: bold; }
table { border-collapse: collapse; table-layout: fixed; width: 100%; background: #FFF; }
th, td { border: 1px solid #CCC; padding: 2px 4px; overflow: hidden; white-space: nowrap;
         text-overflow: ellipsis; }
th { background: #E0E0E0; text-align: left; }
td.n { text-align: right; font-variant-numeric: tabular-nums; }
tbody tr { cursor: pointer; }
tr.valid td.st { background: #C8F0C8; }
tr.waiting td.st { background: #E0E0E0; }
tr.quality td.st { background: #FFE08A; }
tr.fault td.st { background: #F4A0A0; }
tr.chosen td { outline: 1px solid #3060C0; }
#trend { display: none; background: #FFF; border: 1px solid #CCC; padding: 8px; margin: 10px 0; }
#trend .chart { width: 100%; height: 220px; }
</style>
</head>
<body>
<h1>Tarnel - plant overview</h1>
<div id="server">
<span>Data server: <b id="progId"></b> <span id="node"></span></span>
<span>Connection: <b id="state"></b></span>
<span>Last data change: <b id="lastChange"></b></span>
<span>Writes: <b id="writesOk"></b> succeeded, <b id="writesFailed"></b> failed</span>
<span>Service: <b id="service"></b></span>
</div>
<div id="trend">
<b id="trendTitle"></b>
<div id="zChart" class="chart"></div>
<div id="ptChart" class="chart"></div>
</div>
<table>
<colgroup><col style="width:9%"><col style="width:17%"><col style="width:7%"><col style="width:5%">
<col style="width:7%"><col style="width:5%"><col style="width:6%"><col style="width:6%">
<col style="width:5%"><col style="width:6%"><col style="width:4%"><col style="width:13%">
<col style="width:10%"></colgroup>
<thead><tr><th>Stream</th><th>Description</th><th>P</th><th>unit</th><th>T</th><th>unit</th>
<th>Pc</th><th>Tc</th><th>&omega;</th><th>Z</th><th>Status</th><th>Meaning</th>
<th>Last calculation</th></tr></thead>
<tbody id="streams"></tbody>
</table>
<script src="dygraph.min.js"></script>
<script>
"use strict";
const $ = (id) => document.getElementById(id);
const rows = [];
let names = "";
let chosen = decodeURIComponent(location.hash.slice(1));
const monitor = window.monitor = { charts: null, refreshes: 0 };

function fixed(v, digits) { return v === null || v === undefined ? "---" : v.toFixed(digits); }
function pressure(v) {
  if (v === null) return "---";
  const a = Math.abs(v);
  return v.toFixed(a >= 100 ? 1 : a >= 10 ? 2 : 3);
}
function clock(t) { return t === null ? "never" : new Date(t * 1000).toLocaleTimeString(); }
function statusClass(s) {
  return s === 1 ? "valid" : s === 0 ? "waiting" : s === -2 ? "quality" : "fault";
}
function cellsOf(s) {
  return [s.name, s.description, pressure(s.p), s.pUnit, fixed(s.t, 2), s.tUnit, fixed(s.pc, 2),
          fixed(s.tc, 2), fixed(s.acentric, 4), fixed(s.z, 4), String(s.status), s.statusText,
          clock(s.lastCalculation)];
}
const numeric = [2, 4, 6, 7, 8, 9, 10];

function build(streams) {
  const body = $("streams");
  const fragment = document.createDocumentFragment();
  rows.length = 0;
  for (const s of streams) {
    const tr = document.createElement("tr");
    const cells = [];
    for (let i = 0; i < 13; ++i) {
      const td = document.createElement("td");
      if (numeric.includes(i)) td.className = "n";
      if (i === 10 || i === 11) td.className += " st";
      tr.appendChild(td);
      cells.push(td);
    }
    tr.dataset.name = s.name;
    tr.addEventListener("click", () => choose(s.name));
    fragment.appendChild(tr);
    rows.push({ tr, cells, texts: [], status: null });
  }
  body.replaceChildren(fragment);
}

function show(data) {
  const server = data.server;
  $("progId").textContent = server.progId || "(none)";
  $("node").textContent = server.node ? "on " + server.node : "";
  $("state").textContent = server.shutdownRequested ? "asked to shut down" : server.state;
  $("state").className = server.connected && !server.shutdownRequested ? "up" : "down";
  $("lastChange").textContent = clock(server.lastDataChange);
  $("writesOk").textContent = server.writes.ok;
  $("writesFailed").textContent = server.writes.failed;
  $("service").textContent = data.service;
  const streamNames = data.streams.map((s) => s.name).join("\n");
  if (streamNames !== names) {
    names = streamNames;
    build(data.streams);
  }
  data.streams.forEach((s, i) => {
    const row = rows[i];
    cellsOf(s).forEach((text, k) => {
      if (row.texts[k] !== text) row.cells[k].textContent = row.texts[k] = text;
    });
    if (row.status !== s.status) {
      row.status = s.status;
      row.tr.className = statusClass(s.status) + (s.name === chosen ? " chosen" : "");
    }
  });
  ++monitor.refreshes;
}

async function refresh() {
  try {
    const res = await fetch("api/streams", { cache: "no-store" });
    if (res.ok) show(await res.json());
  } catch (e) { /* the service may be restarting: try again */ }
  setTimeout(refresh, 1000);
}

function choose(name) {
  chosen = name;
  history.replaceState(null, "", "#" + encodeURIComponent(name));
  for (const row of rows) {
    row.tr.classList.toggle("chosen", row.tr.dataset.name === name);
  }
  drawTrend();
}

async function drawTrend() {
  if (!chosen) return;
  const name = chosen;
  let trend;
  try {
    const res = await fetch("api/streams/" + encodeURIComponent(name) + "/trend",
                            { cache: "no-store" });
    if (!res.ok) return;
    trend = await res.json();
  } catch (e) { return; }
  if (name !== chosen) return;
  $("trend").style.display = "block";
  $("trendTitle").textContent = trend.stream + ": the last hour";
  const zRows = trend.points.map((p) => [new Date(p[0] * 1000), p[1]]);
  const ptRows = trend.points.map((p) => [new Date(p[0] * 1000), p[2], p[3]]);
  const marks = [];
  trend.points.forEach((p, i) => {
    if (i === 0 || p[4] !== trend.points[i - 1][4]) {
      marks.push({ series: "Z", x: p[0] * 1000, shortText: String(p[4]),
                   text: "status " + p[4] });
    }
  });
  if (!monitor.charts || monitor.charts.name !== name) {
    if (monitor.charts) { monitor.charts.z.destroy(); monitor.charts.pt.destroy(); }
    const common = { drawPoints: true, pointSize: 2, connectSeparatedPoints: false,
                     legend: "always" };
    monitor.charts = {
      name,
      z: new Dygraph($("zChart"), zRows.length ? zRows : [[new Date(), null]],
                     { ...common, labels: ["Time", "Z"], ylabel: "Z", colors: ["#3060C0"] }),
      pt: new Dygraph($("ptChart"), ptRows.length ? ptRows : [[new Date(), null, null]],
                      { ...common, labels: ["Time", "P", "T"], ylabel: "P", y2label: "T",
                        series: { T: { axis: "y2" } }, colors: ["#C06000", "#008060"] }),
    };
  } else {
    monitor.charts.z.updateOptions({ file: zRows });
    monitor.charts.pt.updateOptions({ file: ptRows });
  }
  monitor.charts.z.setAnnotations(marks);
  monitor.charts.points = trend.points.length;
}

refresh();
drawTrend();
setInterval(drawTrend, 5000);
</script>
</body>
</html>
)HTML";

}  // namespace tarnel
