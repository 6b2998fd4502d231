// The monitoring page in a real browser: every stream listed with the values
// of /api/streams, a value and a status colour that follow the simulation,
// and the chosen stream's trend drawn with its points.
// Usage: node monitorPage.test.mjs <TarnelSvc> <regsvr> <libPellonar.so>
// With TARNEL_SCREENSHOTS=<folder> it also saves monitor-overview.png and
// monitor-trend.png there (scripts/screenshots.sh).
import { execFileSync, spawn } from "node:child_process";
import assert from "node:assert/strict";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { createRequire } from "node:module";

const SKIP = 77;
const require = createRequire(import.meta.url);
let chromium;
try {
  ({ chromium } = require("playwright-core"));
} catch {
  console.log("playwright-core is not installed (make test installs it); skipped");
  process.exit(SKIP);
}

const [tarnelSvc, regsvr, pellonar] = process.argv.slice(2);
const shots = process.env.TARNEL_SCREENSHOTS;
const home = fs.mkdtempSync(path.join(os.tmpdir(), "tarnel-monitor-"));
const registry = path.join(home, "registry");
execFileSync(regsvr, [pellonar], { env: { ...process.env, TARNEL_REGISTRY: registry } });
const write = (name, text) => fs.writeFileSync(path.join(home, name), text);
write("TarnelSvc.ini", `[Tarnel Service]
MonitorPort=0
StartupDelaySeconds=1
TagDef=Streams.csv
OpcServer=Tarnel.Simulation
`);
write("Streams.csv", `Name,P,T,Z,Pc,Tc,Acentric,PUnit,TUnit,Status,Description
NG-101,PT-101,TT-101,ZI-101,45.99,190.56,0.011,barg,deg C,ZS-101,Natural gas export header
C3-102,PT-102,TT-102,ZI-102,PC-102,369.83,0.152,kPaA,deg C,ZS-102,Propane compressor discharge
N2-103,PT-103,TT-103,ZI-103,492.3,227.2,0.037,psig,deg F,ZS-103,Nitrogen blanket
`);
// NG-101 moves; C3-102 turns bad after 30 s, long after a loaded machine showed it good.
write("Simulation.csv", `Seconds,Item,Action,Value,Quality,Low,High,Step,Seed
0,PT-101,wander,45,,40,50,0.4,7
0,TT-101,wander,15,,10,20,0.3,8
0,PT-102,value,850
0,TT-102,value,120
0,PC-102,value,4248
0,PT-103,value,85.3
0,TT-103,value,70
30,TT-102,value,120,0
`);

const service = spawn("setpriv", ["--pdeathsig", "KILL", tarnelSvc, "-debug"], {
  env: { ...process.env, TARNEL_HOME: home, TARNEL_REGISTRY: registry },
  stdio: "ignore",
});

async function eventually(what, check, limitMs = 60000) {
  const deadline = Date.now() + limitMs;
  for (;;) {
    const value = await check();
    if (value) return value;
    if (Date.now() > deadline) throw new Error(`timed out waiting for ${what}`);
    await new Promise((r) => setTimeout(r, 100));
  }
}

function address() {
  const file = path.join(home, "TarnelService.log");
  const log = fs.existsSync(file) ? fs.readFileSync(file, "latin1") : "";
  const match = /Monitoring at (http:\/\/127\.0\.0\.1:\d+\/)/.exec(log);
  return match && match[1];
}

const profile = fs.mkdtempSync(path.join(os.tmpdir(), "tarnel-chromium-"));
let context;
let failed = false;
try {
  const url = await eventually("the monitoring address in the log", address);
  context = await chromium.launchPersistentContext(profile, {
    executablePath: "/usr/bin/chromium",
    headless: true,
    viewport: { width: 1280, height: 800 },
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
           "--disable-background-networking", "--disable-component-update", "--disable-sync"],
  });
  const page = context.pages()[0] ?? await context.newPage();
  await page.goto(url);
  const api = async () => (await (await page.request.get(url + "api/streams")).json());
  const cells = () => page.locator("#streams tr").evaluateAll((rows) =>
    rows.map((r) => [...r.children].map((td) => td.textContent)));

  await eventually("every stream calculated", async () =>
    (await api()).streams.every((s) => s.status === 1));
  await eventually("the table", async () => (await cells()).length === 3 &&
    (await cells()).every((row) => row[10] === "1"));
  let rows = await cells();
  assert.deepEqual(rows.map((r) => r[0]), ["NG-101", "C3-102", "N2-103"]);
  const data = await api();
  const shown = rows[2];
  assert.equal(shown[9], data.streams[2].z.toFixed(4));
  assert.equal(shown[3], data.streams[2].pUnit);
  assert.equal(shown[11], "valid");
  assert.equal(await page.locator("#progId").textContent(), "Tarnel.Simulation");
  assert.equal(await page.locator("#state").textContent(), "connected");

  const colour = (i) => page.locator("#streams tr").nth(i).locator("td.st").first()
    .evaluate((td) => getComputedStyle(td).backgroundColor);
  assert.equal(await colour(1), "rgb(200, 240, 200)");
  const firstZ = rows[0][9];
  await eventually("NG-101's Z to move on the page", async () => (await cells())[0][9] !== firstZ);
  await eventually("C3-102's bad quality", async () => (await cells())[1][10] === "-2");
  assert.equal(await colour(1), "rgb(255, 224, 138)");
  assert.equal((await cells())[1][11], "bad input quality");
  if (shots) await page.screenshot({ path: path.join(shots, "monitor-overview.png") });

  await page.locator("#streams tr").nth(1).click();
  await eventually("the trend of C3-102", async () =>
    page.evaluate(() => window.monitor.charts && window.monitor.charts.name === "C3-102" &&
                        window.monitor.charts.z.numRows() >= 2));
  const drawn = await page.evaluate(() => {
    const canvas = document.querySelector("#zChart canvas");
    const pixels = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height).data;
    let inked = 0;
    for (let i = 3; i < pixels.length; i += 4) if (pixels[i] > 0) ++inked;
    return { inked, marks: window.monitor.charts.z.annotations().length };
  });
  assert.ok(drawn.inked > 50, `the chart drew ${drawn.inked} pixels`);
  assert.ok(drawn.marks >= 2, "the status change is marked");
  if (shots) await page.screenshot({ path: path.join(shots, "monitor-trend.png") });
  console.log("monitoring page: 1 passed, 0 failed");
} catch (e) {
  failed = true;
  console.error(e);
  const file = path.join(home, "TarnelService.log");
  console.error(fs.existsSync(file) ? fs.readFileSync(file, "latin1") : "(no log)");
} finally {
  if (context) await context.close();
  service.kill("SIGKILL");
  fs.rmSync(profile, { recursive: true, force: true });
  fs.rmSync(home, { recursive: true, force: true });
}
process.exit(failed ? 1 : 0);
