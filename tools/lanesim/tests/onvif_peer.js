// lanesim's ONVIF camera as the npm package `onvif` sees it: a client no one
// here wrote. Usage: node onvif_peer.js LANESIM NODE_MODULES
// Prints a line per check, a `fault` line per interoperability fault, and
// exits 0 when there were none, 1 when there were, 77 when the package is missing.
'use strict';

const childProcess = require('child_process');
const fs = require('fs');
const http = require('http');
const path = require('path');
const readline = require('readline');

const [lanesimBinary, modules] = process.argv.slice(2).map((argument) => path.resolve(argument));
const skipped = 77;
if (!modules || !fs.existsSync(path.join(modules, 'onvif', 'package.json'))) {
  console.log(`skipped: npm package onvif 0.8.3 not installed in ${modules} (npm could not reach its registry)`);
  process.exit(skipped);
}
const onvifVersion = require(path.join(modules, 'onvif', 'package.json')).version;
const { Cam } = require(path.join(modules, 'onvif'));

const user = 'operator';
const password = 'pa55:word';
const plateTopic = 'tns1:RuleEngine/Recognition/LicensePlate';
const patienceMs = 20000;

const scenarios = [
  { name: 'both, media ver10 and ver20', args: [] },
  { name: 'WS-UsernameToken only, clock 3 h ahead', args: ['--onvif-auth', 'token', '--onvif-clock-offset', '10800'] },
  { name: 'HTTP Digest only, clock 2 h behind', args: ['--onvif-auth', 'digest', '--onvif-clock-offset', '-7200'] },
  { name: 'media ver10 only', args: ['--onvif-media', '1'] },
  { name: 'media ver20 only', args: ['--onvif-media', '2'] },
  { name: 'addresses naming 127.0.0.2', args: ['--onvif-host', '127.0.0.2'], preserveAddress: true },
];

let faults = 0;
function fault(scenario, what) {
  faults += 1;
  console.log(`fault [${scenario.name}]: ${what}`);
}
function ok(scenario, what) {
  console.log(`ok [${scenario.name}]: ${what}`);
}

function startLanesim(scenario) {
  const args = ['--onvif', '0', '--rtsp', '0', '--quiet', '--onvif-user', user,
    '--onvif-password', password, ...scenario.args];
  const child = childProcess.spawn(lanesimBinary, args, { stdio: ['ignore', 'pipe', 'inherit'] });
  const lines = [];
  const waiters = [];
  readline.createInterface({ input: child.stdout }).on('line', (line) => {
    lines.push(line);
    waiters.forEach((waiter) => waiter());
  });
  const waitFor = (prefix) => new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`no line "${prefix}…" from lanesim`)), patienceMs);
    const check = () => {
      const line = lines.find((l) => l.startsWith(prefix));
      if (line) {
        clearTimeout(timer);
        resolve(line);
      }
    };
    waiters.push(check);
    check();
  });
  return { child, lines, waitFor };
}

function call(cam, method, ...args) {
  return new Promise((resolve, reject) => {
    cam[method](...args, (error, result) => (error ? reject(error) : resolve(result)));
  });
}

function fetchPicture(address) {
  return new Promise((resolve, reject) => {
    const url = new URL(address);
    url.hostname = '127.0.0.1';  // the scenario's host may name a machine that does not answer
    http.get(url, { auth: `${user}:${password}`, timeout: patienceMs }, (response) => {
      const chunks = [];
      response.on('data', (chunk) => chunks.push(chunk));
      response.on('end', () => resolve({ status: response.statusCode, type: response.headers['content-type'], bytes: Buffer.concat(chunks) }));
    }).on('error', reject);
  });
}

function quietInLongPoll(cam) {
  return new Promise((resolve) => {
    const check = setInterval(() => {
      const last = cam.lastRequest;
      if (last.body.includes('PullMessages') && Date.now() - last.at > 500) {
        clearInterval(check);
        resolve();
      }
    }, 50);
  });
}

function isJpeg(bytes) {
  return bytes.length > 4 && bytes[0] === 0xff && bytes[1] === 0xd8 &&
    bytes[bytes.length - 2] === 0xff && bytes[bytes.length - 1] === 0xd9;
}

async function checkPicture(scenario, what, address) {
  const picture = await fetchPicture(address);
  if (picture.status !== 200 || picture.type !== 'image/jpeg' || !isJpeg(picture.bytes)) {
    fault(scenario, `${what} at ${address}: HTTP ${picture.status} ${picture.type}, ${picture.bytes.length} bytes`);
  } else {
    ok(scenario, `${what}: ${picture.bytes.length} bytes of JPEG`);
  }
}

function items(message, kind) {
  const data = message && message.message && message.message.message && message.message.message.data;
  const list = data && data[kind];
  return list === undefined ? [] : (Array.isArray(list) ? list : [list]);
}

function expectedHost(scenario) {
  const host = scenario.args.indexOf('--onvif-host');
  return host < 0 ? '127.0.0.1' : scenario.args[host + 1];
}

async function run(scenario) {
  const lanesim = startLanesim(scenario);
  try {
    const started = await lanesim.waitFor('lanesim: onvif on ');
    const port = Number(new URL(started.slice('lanesim: onvif on '.length)).port);
    const cam = new Cam({ hostname: '127.0.0.1', port, username: user, password, timeout: patienceMs,
      autoconnect: false, preserveAddress: Boolean(scenario.preserveAddress) });
    cam.on('warning', (warning) => fault(scenario, `warning: ${warning}`));
    cam.lastRequest = { at: Date.now(), body: '' };
    cam.on('rawRequest', (body) => { cam.lastRequest = { at: Date.now(), body }; });
    await call(cam, 'connect');
    ok(scenario, `connected (media2 ${cam.media2Support ? 'used' : 'not used'}, profile ${cam.activeSource && cam.activeSource.profileToken})`);

    const information = await call(cam, 'getDeviceInformation');
    if (!information.manufacturer || !information.model || information.firmwareVersion === undefined || !information.serialNumber) {
      fault(scenario, `device information incomplete: ${JSON.stringify(information)}`);
    } else {
      ok(scenario, `device information: ${information.manufacturer} ${information.model} ${information.firmwareVersion} ${information.serialNumber}`);
    }

    const stream = await call(cam, 'getStreamUri', { protocol: 'RTSP' });
    const streamUrl = new URL(stream.uri);
    if (streamUrl.protocol !== 'rtsp:' || streamUrl.hostname !== expectedHost(scenario) || streamUrl.pathname !== '/lane') {
      fault(scenario, `stream address ${stream.uri}`);
    } else {
      ok(scenario, `stream address ${stream.uri}`);
    }
    const snapshot = await call(cam, 'getSnapshotUri', {});
    if (new URL(snapshot.uri).hostname !== expectedHost(scenario)) fault(scenario, `snapshot address ${snapshot.uri}`);
    await checkPicture(scenario, 'snapshot', snapshot.uri);

    const plate = await new Promise((resolve, reject) => {
      const timer = setTimeout(() => reject(new Error('no licence-plate notification')), patienceMs);
      let carSentAt;
      cam.on('rawRequest', (body) => {
        if (carSentAt === undefined && body.includes('PullMessages')) {
          carSentAt = Date.now();
          process.kill(lanesim.child.pid, 'SIGUSR1');
        }
      });
      cam.on('eventsError', (error) => fault(scenario, `events: ${error.message}`));
      cam.on('event', (message) => {
        if (message.topic && message.topic._ === plateTopic) {
          clearTimeout(timer);
          resolve({ message, afterMs: Date.now() - carSentAt });
        }
      });
    });
    const simple = Object.fromEntries(items(plate.message, 'simpleItem').map((item) => [item.$.Name, item.$.Value]));
    const elements = items(plate.message, 'elementItem').map((item) => item.$.Name);
    ok(scenario, `notification ${simple.PlateNumber} ${plate.afterMs} ms after SIGUSR1`);
    if (!simple.PlateNumber || !(Number(simple.Likelihood) > 0) || !simple.ImageURI || !simple.VehicleImageURI || !elements.includes('LicensePlateInfo')) {
      fault(scenario, `notification data ${JSON.stringify(simple)}, elements ${elements}`);
    }
    const notified = await lanesim.waitFor(`lanesim: notified ${simple.PlateNumber} to pull point `);
    ok(scenario, notified);
    await checkPicture(scenario, 'close-up', simple.ImageURI);
    await checkPicture(scenario, 'scene', simple.VehicleImageURI);

    // The package shares one set of request options among the requests to a pull point, so a
    // request made while another is being authenticated can be taken for a refused one: wait
    // until its own loop rests in a long poll.
    await quietInLongPoll(cam);
    cam.removeAllListeners('eventsError');
    await call(cam, 'unsubscribe').then(() => ok(scenario, 'unsubscribed'),
      (error) => fault(scenario, `unsubscribe: ${error.message}`));
  } catch (error) {
    fault(scenario, error.message);
  } finally {
    lanesim.child.kill('SIGTERM');
  }
}

(async () => {
  console.log(`npm onvif ${onvifVersion} against ${lanesimBinary}`);
  for (const scenario of scenarios) await run(scenario);
  console.log(`${faults} interoperability fault(s)`);
  process.exit(faults === 0 ? 0 : 1);
})();
