// Starts the engine in the page: reads manifest.json (written by scripts/export-web.sh), fetches
// the scene's files, decodes its PNG and JPEG images with the browser's own decoders into exact
// RGBA bytes, puts every file into the engine's in-memory file system, then loads krestel.js and
// calls main with the scene's name. The engine's standard output and error go to the console.
'use strict';

// Unpremultiplied, unconverted RGBA bytes of an image file, top row first; null when the browser
// cannot decode it. WebGL reads the pixels back as they are (a 2D canvas would premultiply).
async function decodeImage(bytes, type) {
  let bitmap;
  try {
    bitmap = await createImageBitmap(new Blob([bytes], {type: type}),
                                     {premultiplyAlpha: 'none', colorSpaceConversion: 'none'});
  } catch (e) {
    return null;
  }
  const gl = document.createElement('canvas').getContext('webgl');
  const texture = gl.createTexture();
  gl.bindTexture(gl.TEXTURE_2D, texture);
  gl.pixelStorei(gl.UNPACK_PREMULTIPLY_ALPHA_WEBGL, false);
  gl.pixelStorei(gl.UNPACK_COLORSPACE_CONVERSION_WEBGL, gl.NONE);
  gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA, gl.RGBA, gl.UNSIGNED_BYTE, bitmap);
  const framebuffer = gl.createFramebuffer();
  gl.bindFramebuffer(gl.FRAMEBUFFER, framebuffer);
  gl.framebufferTexture2D(gl.FRAMEBUFFER, gl.COLOR_ATTACHMENT0, gl.TEXTURE_2D, texture, 0);
  const rgba = new Uint8Array(bitmap.width * bitmap.height * 4);
  gl.readPixels(0, 0, bitmap.width, bitmap.height, gl.RGBA, gl.UNSIGNED_BYTE, rgba);
  gl.getExtension('WEBGL_lose_context')?.loseContext();
  return {width: bitmap.width, height: bitmap.height, rgba: rgba};
}

function imageType(bytes) {
  if (bytes.length >= 8 && bytes[0] == 0x89 && bytes[1] == 0x50 && bytes[2] == 0x4e) return 'image/png';
  if (bytes.length >= 3 && bytes[0] == 0xff && bytes[1] == 0xd8 && bytes[2] == 0xff) return 'image/jpeg';
  return null;
}

async function startKrestel() {
  const manifest = await (await fetch('manifest.json')).json();
  // A file the server does not have is left out, so the engine reports it as the desktop would.
  const fetched = await Promise.all(manifest.files.map(async (path) => {
    const response = await fetch('files' + path);
    return response.ok ? {path: path, bytes: new Uint8Array(await response.arrayBuffer())} : null;
  }));
  const files = fetched.filter((file) => file !== null);
  const images = [];
  for (const file of files) {
    const type = imageType(file.bytes);
    if (type) images.push(Object.assign({bytes: file.bytes}, await decodeImage(file.bytes, type)));
  }
  const canvas = document.getElementById('canvas');
  canvas.addEventListener('contextmenu', (event) => event.preventDefault());
  window.Module = {
    canvas: canvas,
    krestelImages: images,
    print: (line) => console.log(line),
    printErr: (line) => console.error(line),
    onRuntimeInitialized: () => {
      for (const file of files) {
        Module.FS.mkdirTree(file.path.substring(0, file.path.lastIndexOf('/')) || '/');
        Module.FS.writeFile(file.path, file.bytes);
      }
      Module.FS.chdir(manifest.folder);
      Module.callMain([manifest.scene]);
      canvas.focus();
    },
  };
  const script = document.createElement('script');
  script.src = 'krestel.js';
  document.body.appendChild(script);
}

startKrestel();
